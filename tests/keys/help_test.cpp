// Context help of the password dialogs: the topic shown for each control of
// the real dialogs, an old help file where one is installed, and nothing for
// a menu item. Wine's hhctrl shows no text popups, so the popup call is
// checked at its seam.
#include <windows.h>
#include <htmlhelp.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "help_recorder.h"
#include "keys/password_dialogs.h"
#include "keys_fixture.h"
#include "paths.h"
#include "resource.h"

namespace {

using namespace keytest;

struct DialogTopics {
    const char* templateName;
    const char* caption;
    BOOL isNT;
    DLGPROC procedure;
    std::map<int, DWORD> topics;  // control id to topic; every other control has none
};

class ContextHelp : public KeysTest {};

TEST_F(ContextHelp, EveryControlOfTheDialogsLeadsToItsOwnTopic) {
    const DialogTopics dialogs[] = {
        {kEnterPassword95Template,
         "Enter Encryption Password",
         FALSE,
         EnterPasswordDlgProc,
         {{IDC_PASSWORD, kHelpPassword}, {IDC_CHANGE_PASSWORD, kHelpChangePassword}}},
        {kEnterPasswordNTTemplate,
         "Enter Encryption Password",
         TRUE,
         EnterPasswordDlgProc,
         {{IDC_PASSWORD, kHelpPassword},
          {IDC_DONT_KEEP_PASSWORD, kHelpDontKeepPassword},
          {IDC_KEEP_PASSWORD, kHelpKeepPassword},
          {IDC_CHANGE_PASSWORD, kHelpChangePassword}}},
        {kChangePasswordTemplate,
         "Change Encryption Password",
         TRUE,
         ChangePasswordDlgProc,
         {{IDC_PASSWORD, kHelpPassword}, {IDC_NEWPASSWORD, kHelpNewPassword}, {IDC_REPEATPASSWORD, kHelpNewPassword}}},
    };
    g_CheckValue = DigestFromText(kSecret.check);  // the change dialog with its old-password field
    for (const DialogTopics& d : dialogs) {
        SCOPED_TRACE(d.templateName);
        g_bIsNT = d.isNT;
        HelpRecorder help;
        std::map<int, DWORD> shown;
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = ui.WaitWindow(d.caption);
            for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                const int id = GetDlgCtrlID(control);
                // What the system sends for F1 on the control, or a click on it after the "?" button.
                HELPINFO info{sizeof info, HELPINFO_WINDOW, id, control, 0, {}};
                const int before = help.Calls();
                ui.Send(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
                if (help.Calls() == before) continue;  // a control without a topic shows nothing
                ASSERT_EQ(help.Calls(), before + 1) << "control " << id;
                const HelpCall call = help.Last();
                EXPECT_EQ(call.window, control);
                EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TEXT_POPUP));
                EXPECT_STRNE(LoadResString(g_hInstance, static_cast<UINT>(call.data)), "") << "control " << id;
                shown[id] = static_cast<DWORD>(call.data - IDS_HELP_TOPIC_BASE);
            }
            ui.Click(dialog, IDCANCEL);
            ui.WaitGone(dialog);
        });
        EXPECT_EQ(DialogBoxParamA(g_hInstance, d.templateName, nullptr, d.procedure, 0), 0);
        gui.Join();
        EXPECT_EQ(shown, d.topics);
    }
}

// An old "veilfold.hlp" beside the module still opens, through WinHelp, with
// the dialog's table.
TEST_F(ContextHelp, OldHelpFileBesideTheModuleGoesToWinHelp) {
    // A module of its own in the test's folder: the test's DLL without resources.
    vftest::TempDir dir;
    char original[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, original, MAX_PATH);
    while (length && original[length - 1] != '\\') --length;
    lstrcpyA(original + length, "vf_no_resources.dll");
    const std::string module = dir / "veilfold.dll";
    ASSERT_TRUE(CopyFileA(original, module.c_str(), TRUE)) << original;
    ASSERT_TRUE(vftest::WriteFileBytes(dir / "veilfold.hlp", "old help"));
    HMODULE copy = LoadLibraryA(module.c_str());
    ASSERT_NE(copy, nullptr);
    HINSTANCE saved = g_hInstance;
    g_hInstance = reinterpret_cast<HINSTANCE>(copy);
    HWND control = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HelpRecorder help;
    HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_PASSWORD, control, 0, {}};
    EXPECT_EQ(EnterPasswordDlgProc(nullptr, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    g_hInstance = saved;
    DestroyWindow(control);
    FreeLibrary(copy);
    ASSERT_EQ(help.Calls(), 1);
    EXPECT_EQ(help.Last().file, dir / "veilfold.hlp");
    EXPECT_EQ(help.Last().command, static_cast<UINT>(HELP_WM_HELP));
    EXPECT_EQ(help.Last().data, reinterpret_cast<ULONG_PTR>(EnterPasswordHelpIds));
}

// Help on a menu item has no topic: nothing is called, yet the message counts as handled.
TEST_F(ContextHelp, MenuItemHelpCallsNothing) {
    for (DLGPROC procedure : {EnterPasswordDlgProc, ChangePasswordDlgProc}) {
        HelpRecorder help;
        HELPINFO menu{sizeof menu, HELPINFO_MENUITEM, 5, nullptr, 0, {}};
        EXPECT_EQ(procedure(nullptr, WM_HELP, 0, reinterpret_cast<LPARAM>(&menu)), TRUE);
        EXPECT_EQ(help.Calls(), 0);
    }
}

}  // namespace
