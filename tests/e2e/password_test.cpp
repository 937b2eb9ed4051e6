// Where the key of a run comes from: a new password on first use, the
// password typed into the enter dialog afterwards, a key kept until shutdown;
// and a cancel in either dialog, which leaves every file as it was.
#include <windows.h>
#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "password_steps.h"
#include "resource.h"

namespace e2e {
namespace {

using vfhost::kChangePasswordCaption;
using vfhost::kEnterPasswordCaption;

constexpr char kLetter[] = "Dear Sir or Madam,\r\nplease find enclosed...";
constexpr char kFirstUsePrompt[] =
    "Your password key was not found or is invalid.\nPlease enter your encryption password.";

bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

using E2ePassword = E2eTest;

TEST_F(E2ePassword, FirstUseSetsAPasswordThatTheNextRunAsksFor) {
    std::string letter = MakeFile("letter.txt", kLetter);
    Tree plain = Snapshot(dir_.path());

    RunOutcome first = Run(kEncrypt, {letter}, [](vftest::Gui& ui, vfhost::ProgressGate&) {
        HWND dialog = ui.WaitWindow(kChangePasswordCaption);
        EXPECT_EQ(ui.Text(dialog, IDC_STATIC_TEXT), kFirstUsePrompt);
        EXPECT_FALSE(Visible(dialog, IDC_PASSWORD)) << "there is no old password on first use";
        EXPECT_FALSE(Visible(dialog, IDC_OLDPASSWORD_LABEL));
        EXPECT_EQ(ui.Focus(), GetDlgItem(dialog, IDC_NEWPASSWORD));
        vfhost::SetNewPassword(ui, dialog, kPassword);
    });
    EXPECT_EQ(first.result, S_OK);
    EXPECT_EQ(first.progressWindows, 1);
    EXPECT_EQ(HashedKeySize(), kCheckValueBytes);
    EXPECT_FALSE(RetainedKeyStored());
    EXPECT_EQ(Snapshot(dir_.path()), EncryptedTree(plain));

    RunOutcome second = Run(kDecrypt, {letter + kSuffix}, [](vftest::Gui& ui, vfhost::ProgressGate&) {
        HWND dialog = ui.WaitWindow(kEnterPasswordCaption);
        EXPECT_EQ(ui.Focus(), GetDlgItem(dialog, IDC_PASSWORD));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_DONT_KEEP_PASSWORD), BST_CHECKED);
        vfhost::EnterPassword(ui, dialog, kPassword, false);
    });
    EXPECT_EQ(second.result, S_OK);
    EXPECT_EQ(second.progressWindows, 1);
    EXPECT_FALSE(RetainedKeyStored());
    EXPECT_EQ(Snapshot(dir_.path()), plain);
}

TEST_F(E2ePassword, AKeptPasswordIsNotAskedForAgain) {
    std::string letter = MakeFile("letter.txt", kLetter);
    Tree plain = Snapshot(dir_.path());
    SetPasswordByEncrypting(letter);

    RunOutcome keep = Run(kDecrypt, {letter + kSuffix}, [](vftest::Gui& ui, vfhost::ProgressGate&) {
        vfhost::EnterPassword(ui, ui.WaitWindow(kEnterPasswordCaption), kPassword, true);
    });
    EXPECT_EQ(keep.result, S_OK);
    EXPECT_TRUE(RetainedKeyStored());
    EXPECT_EQ(Snapshot(dir_.path()), plain);

    // No dialog at all: the helper would close one and fail the test.
    RunOutcome kept = Run(kEncrypt, {letter}, [](vftest::Gui&, vfhost::ProgressGate&) {});
    EXPECT_EQ(kept.result, S_OK);
    EXPECT_EQ(kept.progressWindows, 1);
    EXPECT_EQ(Snapshot(dir_.path()), EncryptedTree(plain));
}

TEST_F(E2ePassword, CancelInAPasswordDialogLeavesEveryFileAsItWas) {
    struct Case {
        const char* name;
        bool passwordSet;
        const char* caption;
    };
    const Case cases[] = {{"first use", false, kChangePasswordCaption}, {"password set", true, kEnterPasswordCaption}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteUserSettings();
        vftest::TempDir dir;
        std::string letter = dir / "letter.txt";
        ASSERT_TRUE(vftest::WriteFileBytes(letter, kLetter));
        if (c.passwordSet) {
            ASSERT_TRUE(vftest::WriteFileBytes(dir / "earlier.txt", kLetter));
            SetPasswordByEncrypting(dir / "earlier.txt");
        }
        Tree before = Snapshot(dir.path());

        RunOutcome run = Run(kEncrypt, {letter}, [&](vftest::Gui& ui, vfhost::ProgressGate&) {
            ui.Click(ui.WaitWindow(c.caption), IDCANCEL);
        });
        EXPECT_EQ(run.result, S_OK);
        EXPECT_EQ(run.progressWindows, 0);
        EXPECT_TRUE(run.ownerEnabled);
        EXPECT_EQ(Snapshot(dir.path()), before);
        EXPECT_EQ(HashedKeySize(), c.passwordSet ? kCheckValueBytes : 0u) << "a cancel writes no password";
    }
}

}  // namespace
}  // namespace e2e
