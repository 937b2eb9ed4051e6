// The change-password dialog driven through its real windows: the order of
// its checks, the form without an old password, and a check value that cannot
// be written.
#include <gtest/gtest.h>

#include <string>

#include "common/state.h"
#include "common/texts.h"
#include "keys/password_dialogs.h"
#include "keys_fixture.h"
#include "resource.h"

namespace {

using namespace keytest;

class ChangePassword : public KeysTest {
protected:
    void RunDialog() {
        lstrcpyA(g_szMessage, kNewPasswordPrompt);
        EXPECT_EQ(DialogBoxParamA(g_hInstance, kChangePasswordTemplate, nullptr, ChangePasswordDlgProc, 0), 0);
    }
};

struct Attempt {
    const char* oldPassword;
    const char* newPassword;
    const char* repeated;
    const char* message;
    int focus;
    bool selected;
};

// Each attempt breaks the first rule that applies; the fields stay as typed.
TEST_F(ChangePassword, ChecksOldNewRepeatThenOldPasswordThenMatch) {
    const Attempt attempts[] = {
        {"", "", "", "No password entered", IDC_PASSWORD, false},
        {"", kNewPass.text, kNewPass.text, "No password entered", IDC_PASSWORD, false},
        {kSecret.text, "", "x", "No password entered", IDC_NEWPASSWORD, false},
        {kSecret.text, kNewPass.text, "", "No password entered", IDC_REPEATPASSWORD, false},
        {kOther.text, kNewPass.text, "Different", "Incorrect password.", IDC_PASSWORD, true},
        {kSecretLower.text, kNewPass.text, kNewPass.text, "Incorrect password.", IDC_PASSWORD, true},
        {kSecret.text, kNewPass.text, "newpass2", "Passwords don't match.", IDC_NEWPASSWORD, true},
        {kSecret.text, kNewPass.text, "NewPass", "Passwords don't match.", IDC_NEWPASSWORD, true},
    };
    ASSERT_TRUE(StoreCheckValueOf(kSecret));
    g_CheckValue = DigestFromText(kSecret.check);
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND dialog = WaitChangeDialog(ui, kNewPasswordPrompt);
        ExpectFocus(ui, dialog, IDC_PASSWORD);
        for (const Attempt& a : attempts) {
            SCOPED_TRACE(std::string(a.oldPassword) + "/" + a.newPassword + "/" + a.repeated);
            const std::pair<int, const char*> fields[] = {
                {IDC_PASSWORD, a.oldPassword}, {IDC_NEWPASSWORD, a.newPassword}, {IDC_REPEATPASSWORD, a.repeated}};
            for (const auto& [id, text] : fields) ui.Type(dialog, id, text);
            ui.Click(dialog, IDOK);
            ExpectValidation(ui, dialog, a.message);
            ExpectFocus(ui, dialog, a.focus);
            EXPECT_EQ(WholeTextSelected(ui, dialog, a.focus), a.selected);
            for (const auto& [id, text] : fields) EXPECT_EQ(ui.Text(dialog, id), text);
        }
        EXPECT_EQ(DigestText(g_Key), std::string(40, '0')) << "checking the old password leaves g_Key alone";
        ui.Type(dialog, IDC_PASSWORD, kSecret.text);
        ui.Type(dialog, IDC_NEWPASSWORD, kNewPass.text);
        ui.Type(dialog, IDC_REPEATPASSWORD, kNewPass.text);
        ui.Click(dialog, IDOK);
        ui.WaitGone(dialog);
    });
    RunDialog();
    gui.Join();
    EXPECT_EQ(g_bAskOldPassword, TRUE);
    EXPECT_EQ(g_bKeyValid, TRUE);
    EXPECT_EQ(g_bCancel, FALSE);
    EXPECT_EQ(DigestText(g_Key), kNewPass.key);
    EXPECT_EQ(DigestText(g_CheckValue), kNewPass.check);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kNewPass.check));
}

struct WideAttempt {
    const wchar_t* oldPassword;
    const wchar_t* newPassword;
    const wchar_t* repeated;
    const char* message;
    int focus;
    bool selected;
};

// Text the code page cannot spell is refused once every field is filled, from
// the top down: the old password before its verification, the new one and its
// repetition before their comparison.
TEST_F(ChangePassword, RefusesCharactersTheCodePageCannotSpell) {
    ASSERT_EQ(GetACP(), kTestCodePage);
    const WideAttempt attempts[] = {
        {L"", L"пароль2024", L"пароль2024", "No password entered", IDC_PASSWORD, false},
        {L"пароль2024", L"NewPass2", L"NewPass2", kNotAnsiMessage, IDC_PASSWORD, true},
        {L"Other3", L"пароль2024", L"пароль2024", "Incorrect password.", IDC_PASSWORD, true},
        {L"Secret1", L"пароль2024", L"пароль2024", kNotAnsiMessage, IDC_NEWPASSWORD, true},
        {L"Secret1", L"пароль2024", L"ЖЖЖЖЖЖ2024", kNotAnsiMessage, IDC_NEWPASSWORD, true},
        // Both would read "??????2024".
        {L"Secret1", L"??????2024", L"ЖЖЖЖЖЖ2024", kNotAnsiMessage, IDC_REPEATPASSWORD, true},
    };
    ASSERT_TRUE(StoreCheckValueOf(kSecret));
    g_CheckValue = DigestFromText(kSecret.check);
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND dialog = WaitChangeDialog(ui, kNewPasswordPrompt);
        for (const WideAttempt& a : attempts) {
            SCOPED_TRACE(::testing::Message() << a.oldPassword << "/" << a.newPassword << "/" << a.repeated);
            ui.Type(dialog, IDC_PASSWORD, a.oldPassword);
            ui.Type(dialog, IDC_NEWPASSWORD, a.newPassword);
            ui.Type(dialog, IDC_REPEATPASSWORD, a.repeated);
            ui.Click(dialog, IDOK);
            ExpectValidation(ui, dialog, a.message);
            ExpectFocus(ui, dialog, a.focus);
            EXPECT_EQ(WholeTextSelected(ui, dialog, a.focus), a.selected);
        }
        ui.Type(dialog, IDC_PASSWORD, L"Secret1");
        ui.Type(dialog, IDC_NEWPASSWORD, kGruesse.text);
        ui.Type(dialog, IDC_REPEATPASSWORD, kGruesse.text);
        ui.Click(dialog, IDOK);
        ui.WaitGone(dialog);
    });
    RunDialog();
    gui.Join();
    EXPECT_EQ(DigestText(g_Key), kGruesse.key);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kGruesse.check));
}

TEST_F(ChangePassword, WritesNoCheckValueForAPasswordTheCodePageCannotSpell) {
    ASSERT_EQ(GetACP(), kTestCodePage);
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitChangeDialog(ui, kNewPasswordPrompt);
        ui.Type(dialog, IDC_NEWPASSWORD, L"пароль2024");
        ui.Type(dialog, IDC_REPEATPASSWORD, L"пароль2024");
        ui.Click(dialog, IDOK);
        ExpectValidation(ui, dialog, kNotAnsiMessage);
        ExpectFocus(ui, dialog, IDC_NEWPASSWORD);
        ui.Click(dialog, IDCANCEL);
    });
    RunDialog();
    gui.Join();
    EXPECT_EQ(g_bKeyValid, FALSE);
    EXPECT_EQ(DigestText(g_Key), std::string(40, '0'));
    EXPECT_EQ(DigestText(g_CheckValue), std::string(40, '0'));
    EXPECT_FALSE(ReadValue(kConfigurationKey, "HashedKey").has_value());
}

TEST_F(ChangePassword, AsksForNoOldPasswordWhenTheCheckValueIsAllZero) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitChangeDialog(ui, kNewPasswordPrompt);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_OLDPASSWORD_LABEL)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PASSWORD)));
        ExpectFocus(ui, dialog, IDC_NEWPASSWORD);
        ui.Click(dialog, IDOK);
        ExpectValidation(ui, dialog, "No password entered");
        ExpectFocus(ui, dialog, IDC_NEWPASSWORD);
        ui.Type(dialog, IDC_NEWPASSWORD, kSecret.text);
        ui.Type(dialog, IDC_REPEATPASSWORD, kSecret.text);
        ui.Click(dialog, IDOK);
        ui.WaitGone(dialog);
    });
    g_bAskOldPassword = TRUE;  // left over from an earlier dialog: recomputed
    RunDialog();
    gui.Join();
    EXPECT_EQ(g_bAskOldPassword, FALSE);
    EXPECT_EQ(g_bKeyValid, TRUE);
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey"), StoredBytes(kSecret.check));
}

// The new key is in memory all the same, but whether a key is valid stays as it was.
TEST_F(ChangePassword, UnwrittenCheckValueLeavesKeyValidityAlone) {
    ASSERT_TRUE(DenyValueWrites(kConfigurationKey));
    for (BOOL validBefore : {FALSE, TRUE}) {
        g_bKeyValid = validBefore;
        g_bCancel = TRUE;
        vftest::GuiHelper gui([](vftest::Gui& ui) {
            HWND dialog = WaitChangeDialog(ui, kNewPasswordPrompt);
            ui.Type(dialog, IDC_NEWPASSWORD, kSecret.text);
            ui.Type(dialog, IDC_REPEATPASSWORD, kSecret.text);
            ui.Click(dialog, IDOK);
            ui.WaitGone(dialog);
        });
        RunDialog();
        gui.Join();
        EXPECT_EQ(g_bKeyValid, validBefore);
        EXPECT_EQ(g_bCancel, FALSE);
        EXPECT_EQ(DigestText(g_Key), kSecret.key);
        EXPECT_FALSE(ReadValue(kConfigurationKey, "HashedKey").has_value());
        g_CheckValue = KeyDigest{};
    }
}

}  // namespace
