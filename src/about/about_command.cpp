// The About command: deciphers the texts, shows the window, releases what it made.
#include "about/about.h"
#include "about/about_texts.h"
#include "about/about_window.h"
#include "common/state.h"
#include "common/texts.h"
#include "resource.h"

namespace {

HFONT CreateTitleFont() {
    return CreateFontA(-18, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

// A private copy at the standard icon size, so that destroying it afterwards is right.
HICON LoadModuleIcon() {
    return static_cast<HICON>(
        LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDI_VEILFOLD), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

}  // namespace

void ShowAboutBox(HWND owner) {
    HFONT titleFont = CreateTitleFont();
    HICON icon = LoadModuleIcon();
    AboutTexts texts;
    DecipherAboutTexts(texts);
    const char* credits = texts.credits[0] ? texts.credits : nullptr;
    RunAboutWindow(g_hInstance, owner, icon, texts.title, titleFont, texts.description, credits, kCaption);
    if (icon) DestroyIcon(icon);
    if (titleFont) DeleteObject(titleFont);
}
