// The enter-password dialog driven through its real windows: validation,
// verification, the retention choice, help and About.
#include <windows.h>
#include <htmlhelp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/state.h"
#include "help_recorder.h"
#include "keys/acquire.h"
#include "keys/password_dialogs.h"
#include "keys_fixture.h"
#include "resource.h"

namespace {

using namespace keytest;

class EnterPassword : public KeysTest {
protected:
    void SetUp() override {
        KeysTest::SetUp();
        g_CheckValue = DigestFromText(kSecret.check);
    }
};

TEST_F(EnterPassword, RejectsEmptyAndWrongPasswordsAsOftenAsTyped) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        ExpectFocus(ui, dialog, IDC_PASSWORD);
        ui.Click(dialog, IDOK);
        ExpectValidation(ui, dialog, "No password entered");
        ExpectFocus(ui, dialog, IDC_PASSWORD);
        // Letter case counts; so does every character.
        for (const char* wrong : {kSecretLower.text, "SECRET1", "Secret1 ", "Secret"}) {
            ui.Type(dialog, IDC_PASSWORD, wrong);
            ui.Click(dialog, IDOK);
            ExpectValidation(ui, dialog, "Incorrect password.");
            ExpectFocus(ui, dialog, IDC_PASSWORD);
            EXPECT_TRUE(WholeTextSelected(ui, dialog, IDC_PASSWORD)) << wrong;
            EXPECT_EQ(ui.Text(dialog, IDC_PASSWORD), wrong) << "the field is not cleared";
            EXPECT_EQ(DigestText(g_Key), std::string(40, '0')) << "a wrong password's key stays out of g_Key";
        }
        EnterAndClose(ui, dialog, kSecret.text);
    });
    EXPECT_EQ(PromptForPassword(), 1);
    gui.Join();
    EXPECT_EQ(g_bKeyValid, TRUE);
    EXPECT_EQ(g_bCancel, FALSE);
    EXPECT_EQ(DigestText(g_Key), kSecret.key);
}

// A character the code page cannot spell, or spells only by a look-alike,
// makes no password at all: never "Incorrect password.", never the password
// it resembles.
TEST_F(EnterPassword, RefusesCharactersTheCodePageCannotSpell) {
    ASSERT_EQ(GetACP(), kTestCodePage);
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        // By best fit, "Sēcret1" would read as "Secret1", the right password.
        for (const wchar_t* typed : {L"пароль2024", L"Sēcret1"}) {
            ui.Type(dialog, IDC_PASSWORD, typed);
            ui.Click(dialog, IDOK);
            ExpectValidation(ui, dialog, kNotAnsiMessage);
            ExpectFocus(ui, dialog, IDC_PASSWORD);
            EXPECT_TRUE(WholeTextSelected(ui, dialog, IDC_PASSWORD));
        }
        EXPECT_EQ(DigestText(g_Key), std::string(40, '0'));
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(PromptForPassword(), 0);
    gui.Join();
    EXPECT_EQ(g_bKeyValid, FALSE);
}

// Whatever the code page spells keeps the key of its bytes there.
TEST_F(EnterPassword, KeyIsTheCodePageBytesOfTheTypedText) {
    ASSERT_EQ(GetACP(), kTestCodePage);
    const KnownWidePassword cases[] = {kCafe, kGruesse, {L"Secret1", kSecret.key, kSecret.check}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        g_CheckValue = DigestFromText(c.check);
        g_Key = KeyDigest{};
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = WaitEnterDialog(ui);
            ui.Type(dialog, IDC_PASSWORD, c.text);
            ui.Click(dialog, IDOK);
            ui.WaitGone(dialog);
        });
        EXPECT_EQ(PromptForPassword(), 1);
        gui.Join();
        EXPECT_EQ(DigestText(g_Key), c.key);
    }
}

// The first 254 characters of a field are the password; the rest is not read.
TEST_F(EnterPassword, CountsTheFirst254Characters) {
    const std::string first254(254, 'a');
    struct {
        std::string typed;
        bool accepted;
    } const cases[] = {{first254, true}, {first254 + std::string(46, 'b'), true}, {std::string(253, 'a'), false}};
    g_CheckValue = DigestFromText("7d33b8b6b6d73d4222f7421c51868dc30d070787");  // of 254 times 'a'
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.size());
        g_Key = KeyDigest{};
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = WaitEnterDialog(ui);
            ui.Type(dialog, IDC_PASSWORD, c.typed);
            ui.Click(dialog, IDOK);
            if (c.accepted) return ui.WaitGone(dialog);
            ExpectValidation(ui, dialog, "Incorrect password.");
            ui.Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(PromptForPassword(), c.accepted ? 1 : 0);
        gui.Join();
        EXPECT_EQ(DigestText(g_Key), c.accepted ? "2ca6ff06b753061d68872bf86dfefe48d6c90031" : std::string(40, '0'));
    }
}

// OK with the right password takes the retention choice; only "Keep password"
// writes the volatile key, and "Don't keep" removes nothing that is already there.
TEST_F(EnterPassword, KeepsTheKeyOnlyWhenAskedTo) {
    struct {
        int button;
        BOOL retainAfter;
        std::string tempKeyAfter;
    } const cases[] = {{IDC_KEEP_PASSWORD, TRUE, StoredBytes(kSecret.key)},
                       {IDC_DONT_KEEP_PASSWORD, FALSE, StoredBytes(kOther.key)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        ASSERT_TRUE(SetValue(kTempKey, "Key", REG_BINARY, StoredBytes(kOther.key)));
        g_bRetainKey = c.button == IDC_DONT_KEEP_PASSWORD;  // start from the other choice
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = WaitEnterDialog(ui);
            ui.Click(dialog, c.button);
            EnterAndClose(ui, dialog, kSecret.text);
        });
        EXPECT_EQ(PromptForPassword(), 1);
        gui.Join();
        EXPECT_EQ(g_bRetainKey, c.retainAfter);
        EXPECT_EQ(ReadValue(kTempKey, "Key"), c.tempKeyAfter);
    }
}

TEST_F(EnterPassword, The95FormOffersNoRetentionAndWritesNoKey) {
    g_bIsNT = FALSE;
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        EXPECT_EQ(GetDlgItem(dialog, IDC_DONT_KEEP_PASSWORD), nullptr);
        EXPECT_EQ(GetDlgItem(dialog, IDC_KEEP_PASSWORD), nullptr);
        EnterAndClose(ui, dialog, kSecret.text);
    });
    EXPECT_EQ(PromptForPassword(), 1);
    gui.Join();
    EXPECT_EQ(g_bRetainKey, FALSE);
    EXPECT_FALSE(KeyExists(kTempKey));
}

TEST_F(EnterPassword, HelpKeyInThePasswordFieldShowsItsTopic) {
    HelpRecorder help;
    HWND field = nullptr;
    HelpCall call{};
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        field = GetDlgItem(dialog, IDC_PASSWORD);
        ExpectFocus(ui, dialog, IDC_PASSWORD);
        PressHelpKey(ui);
        help.WaitForCall(ui, 0);  // F1 in the password field calls help
        call = help.Last();
        ui.Click(dialog, IDCANCEL);
    });
    PromptForPassword();
    gui.Join();
    EXPECT_EQ(help.Calls(), 1);
    EXPECT_EQ(call.window, field);
    EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TEXT_POPUP));
    EXPECT_EQ(call.data, IDS_HELP_TOPIC_BASE + kHelpPassword);
}

TEST_F(EnterPassword, AboutReturnsToTheDialogUnchanged) {
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND dialog = WaitEnterDialog(ui);
        ui.Type(dialog, IDC_PASSWORD, kSecret.text);
        ui.Click(dialog, IDC_ABOUT);
        HWND about = ui.WaitWindow("Veilfold", "AboutBoxClass");
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the dialog takes no input under the About window";
        ui.Click(about, IDOK);
        ui.WaitGone(about);
        EXPECT_TRUE(IsWindowEnabled(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(ui.Text(dialog, IDC_PASSWORD), kSecret.text);
        ui.Click(dialog, IDOK);
        ui.WaitGone(dialog);
    });
    EXPECT_EQ(PromptForPassword(), 1);
    gui.Join();
}

}  // namespace
