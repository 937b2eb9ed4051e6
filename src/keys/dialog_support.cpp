#include "keys/dialog_support.h"

#include <htmlhelp.h>

#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "crypto/wipe.h"
#include "keys/keystore.h"
#include "resource.h"

namespace {

// Explorer loads the module into every window that shows a menu: the help
// library is loaded only when help is asked for, and only from the system
// folder, never from wherever the host program happens to start.
HWND WINAPI HtmlHelpOfHhctrl(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    static HtmlHelpFunction htmlHelp;
    if (!htmlHelp) {
        char path[MAX_PATH];
        const UINT length = GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0 || length + sizeof "\\hhctrl.ocx" > MAX_PATH) return nullptr;
        lstrcatA(path, "\\hhctrl.ocx");
        if (HMODULE library = LoadLibraryA(path))
            htmlHelp =
                reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
    }
    return htmlHelp ? htmlHelp(caller, file, command, data) : nullptr;
}

// "veilfold.hlp" beside the module, where an old installation left one.
bool FindOldHelpFile(char (&path)[MAX_PATH]) {
    DWORD length = GetModuleFileNameA(g_hInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    char* name = path + length;
    while (name > path && name[-1] != '\\') --name;
    if ((name - path) + static_cast<int>(sizeof kHelpFile) > MAX_PATH) return false;
    lstrcpyA(name, kHelpFile);
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The topic of `control` in an id and topic table ended by 0, 0; 0 when none.
DWORD TopicOf(HWND control, const DWORD* helpIds) {
    const DWORD id = static_cast<DWORD>(GetDlgCtrlID(control));
    for (; helpIds[0] || helpIds[1]; helpIds += 2)
        if (helpIds[0] == id) return helpIds[1];
    return 0;
}

// The topic's text from the string table, just below the control.
void ShowTopicPopup(HWND control, DWORD topic) {
    RECT rect{};
    GetWindowRect(control, &rect);
    HH_POPUP popup{};
    popup.cbStruct = sizeof popup;
    popup.hinst = g_hInstance;
    popup.idString = IDS_HELP_TOPIC_BASE + topic;
    popup.pt = {(rect.left + rect.right) / 2, rect.bottom};
    popup.clrForeground = popup.clrBackground = static_cast<COLORREF>(-1);
    popup.rcMargins = {-1, -1, -1, -1};
    g_pfnHtmlHelp(control, nullptr, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup));
}

}  // namespace

WinHelpFunction g_pfnWinHelp = WinHelpA;
HtmlHelpFunction g_pfnHtmlHelp = HtmlHelpOfHhctrl;

PasswordField::PasswordField(HWND dialog, int id) {
    wchar_t wide[kPasswordFieldSize];
    const int count = static_cast<int>(GetDlgItemTextW(dialog, id, wide, kPasswordFieldSize));
    length_ = PasswordBytes(wide, count, CP_ACP, text_, exact_);
    text_[length_] = '\0';
    SecureWipe(wide);
}

PasswordField::~PasswordField() { SecureWipe(text_); }

bool VerifyPassword(const PasswordField& password, KeyDigest& key) {
    std::uint32_t length = static_cast<std::uint32_t>(password.length());
    Sha1Buffer(password.text(), length, key);
    KeyDigest checkValue = ComputeCheckValue(password.text(), length, key);
    bool correct = KeyDigestsEqual(checkValue, g_CheckValue);
    SecureWipe(checkValue);
    return correct;
}

void RejectInput(HWND dialog, UINT stringId, int field, bool selectText) {
    ShowMessage(dialog, LoadResString(g_hInstance, stringId), kStyleValidation);
    FocusDlgControl(dialog, field);
    if (selectText) SendDlgItemMessageA(dialog, field, EM_SETSEL, 0, -1);
}

void SetChangeDialogPrompt(UINT stringId) { lstrcpyA(g_szMessage, LoadResString(g_hInstance, stringId)); }

bool RunModalDialog(const char* templateName, DLGPROC procedure) {
    if (DialogBoxParamA(g_hInstance, templateName, g_hwndOwner, procedure, 0) != -1) return true;
    ShowMessage(g_hwndOwner, kDialogOpenError, kStyleFailure);
    return false;
}

void ShowContextHelp(LPARAM helpInfo, const DWORD* helpIds) {
    const HELPINFO* info = reinterpret_cast<const HELPINFO*>(helpInfo);
    // Help on a menu item has no topic of its own.
    if (info->iContextType != HELPINFO_WINDOW) return;
    HWND control = static_cast<HWND>(info->hItemHandle);
    char oldHelpFile[MAX_PATH];
    if (FindOldHelpFile(oldHelpFile)) {
        g_pfnWinHelp(control, oldHelpFile, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(helpIds));
    } else if (DWORD topic = TopicOf(control, helpIds)) {
        ShowTopicPopup(control, topic);
    }
}
