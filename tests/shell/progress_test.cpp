// The progress window on its own: template, placement, title, the ways to cancel.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "common/state.h"
#include "fileproc/file_progress.h"
#include "gui.h"
#include "owner_window.h"
#include "resource.h"
#include "shared_state.h"
#include "shell/progress.h"
#include "shell_fixtures.h"

namespace {

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_hwndOwner = owner_.hwnd();
        Open();
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    // As a run opens it, with a cancel flag the window must clear.
    void Open() {
        g_bCancel = 7;
        window_ = CreateDialogParamA(g_hInstance, "PROGRESSDLG", g_hwndOwner, ProgressDlgProc, 0);
        ASSERT_NE(window_, nullptr);
        g_hwndProgress = window_;
    }

    vftest::SharedStateScope state_;
    vftest::OwnerWindow owner_;
    HWND window_ = nullptr;
};

TEST_F(ProgressWindow, IsBuiltFromTheTemplate) {
    char text[64];
    GetWindowTextA(window_, text, sizeof text);
    EXPECT_STREQ(text, "Veilfold");
    RECT client;
    GetClientRect(window_, &client);
    RECT units = {0, 0, 292, 49};
    MapDialogRect(window_, &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    HWND name = GetDlgItem(window_, IDC_FILENAME);
    EXPECT_EQ(vftest::WindowClass(name), "Static");
    EXPECT_EQ(GetWindowLongPtrA(name, GWL_STYLE) & (SS_TYPEMASK | SS_NOPREFIX), SS_SIMPLE | SS_NOPREFIX);
    EXPECT_EQ(GetWindowTextLengthA(name), 0);
    HWND cancel = GetDlgItem(window_, IDCANCEL);
    GetWindowTextA(cancel, text, sizeof text);
    EXPECT_STREQ(text, "Cancel");
    EXPECT_EQ(GetWindowLongPtrA(cancel, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    HWND bar = GetDlgItem(window_, IDC_PROGRESSBAR);
    EXPECT_EQ(vftest::WindowClass(bar), "msctls_progress32");
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
}

TEST_F(ProgressWindow, InitialisationTakesOverTheOwnerAndTheCancelFlag) {
    EXPECT_FALSE(IsWindowEnabled(owner_.hwnd()));
    EXPECT_EQ(GetWindow(window_, GW_OWNER), owner_.hwnd());
    EXPECT_EQ(g_bCancel, 0);
    EXPECT_EQ(g_hwndProgressBar, GetDlgItem(window_, IDC_PROGRESSBAR));
    EXPECT_EQ(GetFocus(), GetDlgItem(window_, IDCANCEL));
}

TEST_F(ProgressWindow, SitsCentredAQuarterScreenAboveTheMiddle) {
    RECT rect;
    GetWindowRect(window_, &rect);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_EQ(rect.left, cx / 2 - width / 2);
    EXPECT_EQ(rect.top, -(cy / 4) + cy / 2 - height / 2);
}

TEST_F(ProgressWindow, TitleMessageSetsTheCaptionCutTo255Characters) {
    SendMessageA(window_, WM_SETPROGRESSTITLE, 0, reinterpret_cast<LPARAM>("Decrypting Files..."));
    char text[512];
    GetWindowTextA(window_, text, sizeof text);
    EXPECT_STREQ(text, "Decrypting Files...");
    std::string longTitle(400, 't');
    SendMessageA(window_, WM_SETPROGRESSTITLE, 0, reinterpret_cast<LPARAM>(longTitle.c_str()));
    GetWindowTextA(window_, text, sizeof text);
    EXPECT_EQ(std::string(text), longTitle.substr(0, 255));
}

TEST_F(ProgressWindow, DestructionGivesTheOwnerBackItsInput) {
    DestroyWindow(window_);
    EXPECT_TRUE(IsWindowEnabled(owner_.hwnd()));
    EXPECT_EQ(GetActiveWindow(), owner_.hwnd());
    EXPECT_EQ(g_hwndProgressBar, nullptr);
    EXPECT_EQ(g_bCancel, 0) << "an ordinary end is no cancel";
}

// The ways a user closes the window.
struct CancelWay {
    const char* name;
    void (*close)(vftest::Gui& ui, HWND window);
};

const CancelWay kCancelWays[] = {
    {"Cancel button", [](vftest::Gui& ui, HWND window) { ui.Click(window, IDCANCEL); }},
    {"Escape key", [](vftest::Gui& ui, HWND) { ui.PressKey(VK_ESCAPE); }},
    {"Close on the window menu",
     [](vftest::Gui& ui, HWND window) {
         ui.Record("chose Close from the window menu");
         PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
     }},
};

TEST_F(ProgressWindow, EveryWayOfClosingItCancelsAtOnceAndGivesTheOwnerBack) {
    for (const CancelWay& way : kCancelWays) {
        SCOPED_TRACE(way.name);
        if (!IsWindow(window_)) Open();
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND window = ui.WaitWindow("Veilfold", "#32770");
            way.close(ui, window);
            ui.WaitGone(window);
        });
        EXPECT_TRUE(vftest::PumpUntil([&] { return !IsWindow(window_); }));
        gui.Join();
        EXPECT_EQ(g_bCancel, 1);
        EXPECT_EQ(g_hwndProgress, nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner_.hwnd()));
        EXPECT_EQ(GetActiveWindow(), owner_.hwnd());
    }
}

// The window a run opens shows a file's name as it is, whatever the code page.
TEST(ProgressWindowOfARun, ShowsAFileNameAsItIs) {
    vftest::SharedStateScope state;
    vftest::OwnerWindow owner;
    g_hwndOwner = owner.hwnd();
    OpenProgressWindow(IDS_ENCRYPTING_TITLE);
    ASSERT_NE(g_hwndProgress, nullptr);
    // Windows passes text to a control of a window made with the ANSI calls
    // through the code page; Wine keeps it either way, so the kind is checked.
    EXPECT_TRUE(IsWindowUnicode(GetDlgItem(g_hwndProgress, IDC_FILENAME)));
    const std::wstring name = L"C:\\\u65e5\u672c\\\u0444\u0430\u0439\u043b \U0001F512.txt";
    ShowProgressFile(name);
    wchar_t shown[256] = L"";
    GetDlgItemTextW(g_hwndProgress, IDC_FILENAME, shown, 256);
    EXPECT_EQ(std::wstring(shown), name);
    CloseProgressWindow();
}

}  // namespace
