// Context help of both password dialogs: which calls WM_HELP leads to, and the
// help tables themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "help_recorder.h"
#include "keys/password_dialogs.h"

namespace {

using keytest::HelpRecorder;

struct DialogHelp {
    const char* name;
    DLGPROC procedure;
    const DWORD* table;
    std::vector<DWORD> expected;  // control id, help context id, ..., 0, 0
};

const DialogHelp kDialogs[] = {
    {"enter", EnterPasswordDlgProc, EnterPasswordHelpIds, {114, 101, 103, 102, 104, 103, 108, 106, 0, 0}},
    {"change", ChangePasswordDlgProc, ChangePasswordHelpIds, {114, 101, 101, 100, 102, 100, 0, 0}},
};

TEST(ContextHelp, TablesPairControlsWithTheirTopics) {
    for (const DialogHelp& dialog : kDialogs)
        EXPECT_TRUE(std::equal(dialog.expected.begin(), dialog.expected.end(), dialog.table)) << dialog.name;
}

// Any window under help gets the call, with or without a row of its own; help
// on a menu item calls nothing. Either way the message counts as handled.
TEST(ContextHelp, WindowHelpCallsWinHelpAndMenuHelpDoesNot) {
    HWND someWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
    for (const DialogHelp& dialog : kDialogs) {
        SCOPED_TRACE(dialog.name);
        HelpRecorder help;
        HELPINFO menu{sizeof menu, HELPINFO_MENUITEM, 5, nullptr, 0, {}};
        EXPECT_EQ(dialog.procedure(nullptr, WM_HELP, 0, reinterpret_cast<LPARAM>(&menu)), TRUE);
        EXPECT_EQ(help.Calls(), 0);

        HELPINFO window{sizeof window, HELPINFO_WINDOW, IDOK, someWindow, 0, {}};
        EXPECT_EQ(dialog.procedure(nullptr, WM_HELP, 0, reinterpret_cast<LPARAM>(&window)), TRUE);
        ASSERT_EQ(help.Calls(), 1);
        EXPECT_EQ(help.Last().window, someWindow);
        EXPECT_EQ(help.Last().file, "veilfold.hlp");
        EXPECT_EQ(help.Last().command, static_cast<UINT>(HELP_WM_HELP));
        EXPECT_EQ(help.Last().data, reinterpret_cast<ULONG_PTR>(dialog.table));
    }
}

}  // namespace
