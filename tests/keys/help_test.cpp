// Context help of the password dialogs: the topic the help system is asked to
// show for each control of the real dialogs, and none for a menu item.
#include <gtest/gtest.h>

#include <map>

#include "common/state.h"
#include "common/texts.h"
#include "help_recorder.h"
#include "keys/password_dialogs.h"
#include "keys_fixture.h"
#include "resource.h"

namespace {

using namespace keytest;

// What the help system does with HELP_WM_HELP: looks the control's id up in
// the id and topic pairs it is handed. 0: the control has no topic.
DWORD TopicShown(const HelpCall& call) {
    const DWORD id = static_cast<DWORD>(GetDlgCtrlID(call.window));
    for (const DWORD* pair = reinterpret_cast<const DWORD*>(call.data); pair[0] || pair[1]; pair += 2)
        if (pair[0] == id) return pair[1];
    return 0;
}

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
                ASSERT_EQ(help.Calls(), before + 1) << "control " << id;
                const HelpCall call = help.Last();
                EXPECT_EQ(call.window, control);
                EXPECT_EQ(call.file, "veilfold.hlp");
                EXPECT_EQ(call.command, static_cast<UINT>(HELP_WM_HELP));
                if (DWORD topic = TopicShown(call)) shown[id] = topic;
            }
            ui.Click(dialog, IDCANCEL);
            ui.WaitGone(dialog);
        });
        EXPECT_EQ(DialogBoxParamA(g_hInstance, d.templateName, nullptr, d.procedure, 0), 0);
        gui.Join();
        EXPECT_EQ(shown, d.topics);
    }
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
