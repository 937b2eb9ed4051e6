// Key acquisition end to end: every outcome, with the dialogs it shows in
// order, against the test prefix's registry.
#include <gtest/gtest.h>

#include <string>

#include "common/state.h"
#include "keys/acquire.h"
#include "keys_fixture.h"
#include "owner_window.h"
#include "resource.h"

namespace {

using namespace keytest;

const std::string kZeroKey(40, '0');

// Dialogs and run-level boxes are owned by g_hwndOwner: give it a window.
class Acquisition : public KeysTest {
protected:
    void SetUp() override {
        KeysTest::SetUp();
        g_hwndOwner = owner_.hwnd();
    }
    vftest::OwnerWindow owner_;
};

class WithStoredCheckValue : public Acquisition {
protected:
    void SetUp() override {
        Acquisition::SetUp();
        ASSERT_TRUE(StoreCheckValueOf(kSecret));
    }
};

TEST_F(WithStoredCheckValue, RightPasswordGivesItsKey) {
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_.hwnd());
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_DONT_KEEP_PASSWORD), BST_CHECKED);
        EnterAndClose(ui, dialog, kSecret.text);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 1);
    gui.Join();
    EXPECT_EQ(g_bKeyValid, TRUE);
    EXPECT_EQ(DigestText(g_Key), kSecret.key);
    EXPECT_FALSE(KeyExists(kTempKey));
}

TEST_F(WithStoredCheckValue, CancelLeavesNoKeyBehind) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        ui.Type(dialog, IDC_PASSWORD, kOther.text);
        ui.Click(dialog, IDOK);
        ExpectValidation(ui, dialog, "Incorrect password.");
        ui.Click(dialog, IDCANCEL);
        ui.WaitGone(dialog);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
    gui.Join();
    EXPECT_EQ(g_bKeyValid, FALSE);
    EXPECT_EQ(g_bCancel, TRUE);
    EXPECT_EQ(DigestText(g_Key), kZeroKey);
}

// The password typed into the enter dialog and its retention choice are both
// ignored when the user goes to Change Password.
TEST_F(WithStoredCheckValue, ChangePasswordReplacesTheCheckValueAndGivesTheNewKey) {
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND enter = WaitEnterDialog(ui);
        ui.Type(enter, IDC_PASSWORD, kOther.text);
        ui.Click(enter, IDC_KEEP_PASSWORD);
        ui.Click(enter, IDC_CHANGE_PASSWORD);
        HWND change = WaitChangeDialog(ui, kNewPasswordPrompt);
        EXPECT_EQ(GetWindow(change, GW_OWNER), owner_.hwnd());
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(change, IDC_PASSWORD)));
        ui.Type(change, IDC_PASSWORD, kSecret.text);
        ui.Type(change, IDC_NEWPASSWORD, kNewPass.text);
        ui.Type(change, IDC_REPEATPASSWORD, kNewPass.text);
        ui.Click(change, IDOK);
        ui.WaitGone(change);
        ui.WaitGone(enter);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 1);
    gui.Join();
    EXPECT_EQ(DigestText(g_Key), kNewPass.key);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kNewPass.check));
    EXPECT_EQ(g_bRetainKey, FALSE);
    EXPECT_FALSE(KeyExists(kTempKey));
}

TEST_F(WithStoredCheckValue, CancelInTheChangeDialogCancelsTheWholePrompt) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND enter = WaitEnterDialog(ui);
        ui.Click(enter, IDC_CHANGE_PASSWORD);
        HWND change = WaitChangeDialog(ui, kNewPasswordPrompt);
        ui.Click(change, IDCANCEL);
        ui.WaitGone(change);
        ui.WaitGone(enter);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
    gui.Join();
    EXPECT_EQ(g_bCancel, TRUE);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kSecret.check));
}

// The second change dialog checks the old password against the new check value
// that is still in memory, since the registry never took it.
TEST_F(WithStoredCheckValue, UnwrittenChangeLeadsToASecondChangeDialog) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND enter = WaitEnterDialog(ui);
        ui.Click(enter, IDC_CHANGE_PASSWORD);
        HWND first = WaitChangeDialog(ui, kNewPasswordPrompt);
        ASSERT_TRUE(DenyValueWrites(kConfigurationKey));
        ui.Type(first, IDC_PASSWORD, kSecret.text);
        ui.Type(first, IDC_NEWPASSWORD, kNewPass.text);
        ui.Type(first, IDC_REPEATPASSWORD, kNewPass.text);
        ui.Click(first, IDOK);
        ui.WaitGone(first);
        ui.WaitGone(enter);

        HWND second = WaitChangeDialog(ui, kNoCheckValuePrompt);
        ASSERT_TRUE(AllowValueWrites(kConfigurationKey));
        ui.Type(second, IDC_PASSWORD, kSecret.text);
        ui.Type(second, IDC_NEWPASSWORD, kOther.text);
        ui.Type(second, IDC_REPEATPASSWORD, kOther.text);
        ui.Click(second, IDOK);
        ExpectValidation(ui, second, "Incorrect password.");
        ui.Type(second, IDC_PASSWORD, kNewPass.text);
        ui.Click(second, IDOK);
        ui.WaitGone(second);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 1);
    gui.Join();
    EXPECT_EQ(DigestText(g_Key), kOther.key);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kOther.check));
}

// First use: the change dialog without an old password; the next run asks for it.
TEST_F(Acquisition, FirstPasswordIsStoredAndAskedForNextTime) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND change = WaitChangeDialog(ui, kNoCheckValuePrompt);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(change, IDC_PASSWORD)));
        ExpectFocus(ui, change, IDC_NEWPASSWORD);
        ui.Type(change, IDC_NEWPASSWORD, kSecret.text);
        ui.Type(change, IDC_REPEATPASSWORD, kSecret.text);
        ui.Click(change, IDOK);
        ui.WaitGone(change);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 1);
    gui.Join();
    EXPECT_EQ(DigestText(g_Key), kSecret.key);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kSecret.check));

    g_bKeyValid = FALSE;  // the end of the run
    g_Key = KeyDigest{};
    vftest::GuiHelper next([](vftest::Gui& ui) { EnterAndClose(ui, WaitEnterDialog(ui), kSecret.text); });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 1);
    next.Join();
    EXPECT_EQ(DigestText(g_Key), kSecret.key);
}

TEST_F(Acquisition, CancelOfTheFirstPasswordGivesNoKey) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND change = WaitChangeDialog(ui, kNoCheckValuePrompt);
        ui.Click(change, IDCANCEL);
        ui.WaitGone(change);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
    gui.Join();
    EXPECT_EQ(g_bCancel, TRUE);
    EXPECT_FALSE(KeyExists(kConfigurationKey));
}

// No message: the user has just typed the password and sees the run end.
TEST_F(Acquisition, UnwrittenFirstPasswordFailsQuietlyAndWipesTheKey) {
    ASSERT_TRUE(DenyValueWrites(kConfigurationKey));
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND change = WaitChangeDialog(ui, kNoCheckValuePrompt);
        ui.Type(change, IDC_NEWPASSWORD, kSecret.text);
        ui.Type(change, IDC_REPEATPASSWORD, kSecret.text);
        ui.Click(change, IDOK);
        ui.WaitGone(change);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
    gui.Join();
    EXPECT_EQ(g_bKeyValid, FALSE);
    EXPECT_EQ(g_bCancel, FALSE);
    EXPECT_EQ(DigestText(g_Key), kZeroKey);
}

// A check value of the wrong size counts as none; it must not leave part of
// itself in g_CheckValue either, which would make the dialog ask for an old password.
TEST_F(Acquisition, WrongSizedCheckValueLeadsToTheFirstPasswordDialog) {
    const std::string stored = StoredBytes(kSecret.check);
    for (const std::string& value : {stored.substr(0, 19), stored + '\x5a'}) {
        SCOPED_TRACE(value.size());
        ASSERT_TRUE(SetValue(kConfigurationKey, "HashedKey", REG_BINARY, value));
        g_bCancel = FALSE;  // as every run starts
        vftest::GuiHelper gui([](vftest::Gui& ui) {
            HWND change = WaitChangeDialog(ui, kNoCheckValuePrompt);
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(change, IDC_PASSWORD)));
            ui.Click(change, IDCANCEL);
            ui.WaitGone(change);
        });
        EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
        gui.Join();
        EXPECT_EQ(DigestText(g_CheckValue), kZeroKey);
    }
}

// The initial choice comes from the run's g_bRetainKey, overridden by a
// "RetainKey" value when one is configured.
TEST_F(WithStoredCheckValue, RetentionChoiceStartsFromTheConfiguration) {
    struct {
        BOOL retainBefore;
        int configured;  // -1: no "RetainKey" value
        int checkedButton;
    } const cases[] = {{FALSE, -1, IDC_DONT_KEEP_PASSWORD},
                       {TRUE, -1, IDC_KEEP_PASSWORD},
                       {FALSE, 1, IDC_KEEP_PASSWORD},
                       {TRUE, 0, IDC_DONT_KEEP_PASSWORD}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.retainBefore) + "/" + std::to_string(c.configured));
        ASSERT_TRUE(c.configured < 0 || SetDword(kConfigurationKey, "RetainKey", c.configured));
        g_bRetainKey = c.retainBefore;
        g_bCancel = FALSE;
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = WaitEnterDialog(ui);
            EXPECT_EQ(IsDlgButtonChecked(dialog, c.checkedButton), BST_CHECKED);
            const int other = c.checkedButton == IDC_DONT_KEEP_PASSWORD ? IDC_KEEP_PASSWORD : IDC_DONT_KEEP_PASSWORD;
            EXPECT_EQ(IsDlgButtonChecked(dialog, other), BST_UNCHECKED);
            ui.Click(dialog, IDCANCEL);
            ui.WaitGone(dialog);
        });
        AcquireKey(&g_CheckValue);
        gui.Join();
        ClearVeilfoldKey();
        ASSERT_TRUE(StoreCheckValueOf(kSecret));
    }
}

// On the 95 family the key never outlives the run, whatever "RetainKey" says.
TEST_F(WithStoredCheckValue, The95FamilyIgnoresRetainKey) {
    ASSERT_TRUE(SetDword(kConfigurationKey, "RetainKey", 1));
    g_bIsNT = FALSE;
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        EXPECT_EQ(GetDlgItem(dialog, IDC_KEEP_PASSWORD), nullptr);
        EnterAndClose(ui, dialog, kSecret.text);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 1);
    gui.Join();
    EXPECT_EQ(g_bRetainKey, FALSE);
    EXPECT_FALSE(KeyExists(kTempKey));
}

}  // namespace
