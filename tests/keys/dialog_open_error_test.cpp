// A dialog that cannot be created is reported once, on g_hwndOwner, and the
// acquisition gives no key.
#include <gtest/gtest.h>

#include <string>

#include "common/state.h"
#include "keys/acquire.h"
#include "keys_fixture.h"
#include "owner_window.h"
#include "resource.h"

namespace {

using namespace keytest;

class DialogOpenError : public KeysTest {
protected:
    void SetUp() override {
        KeysTest::SetUp();
        noResources_ = LoadLibraryA("vf_no_resources.dll");
        ASSERT_NE(noResources_, nullptr);
        g_hwndOwner = owner_.hwnd();
    }
    void TearDown() override {
        FreeLibrary(noResources_);  // g_hInstance, left pointing at it, is put back with the shared state
        KeysTest::TearDown();
    }
    void ExpectDialogOpenError(vftest::Gui& ui) {
        vftest::MessageBoxSeen box = ui.WaitMessageBox();
        EXPECT_EQ(box.text, "Dialog open error");
        EXPECT_EQ(box.caption, "Veilfold");
        EXPECT_EQ(box.owner, owner_.hwnd());
        // The icon bits 0x50 name no standard icon, so only the buttons can be seen.
        EXPECT_EQ(box.style & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        ui.Answer(box, IDOK);
    }
    HMODULE noResources_ = nullptr;
    vftest::OwnerWindow owner_;
};

TEST_F(DialogOpenError, EnterDialogThatCannotBeCreated) {
    g_hInstance = noResources_;
    g_Key = DigestFromText(kSecret.key);
    vftest::GuiHelper gui([&](vftest::Gui& ui) { ExpectDialogOpenError(ui); });
    EXPECT_EQ(PromptForPassword(), 0);
    gui.Join();
}

// Nothing readable, so the change dialog is next, and it cannot be created either.
TEST_F(DialogOpenError, ChangeDialogOfAcquisitionThatCannotBeCreated) {
    g_hInstance = noResources_;
    g_Key = DigestFromText(kSecret.key);
    vftest::GuiHelper gui([&](vftest::Gui& ui) { ExpectDialogOpenError(ui); });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
    gui.Join();
    EXPECT_EQ(g_bKeyValid, FALSE);
    EXPECT_EQ(DigestText(g_Key), std::string(40, '0'));
}

// Change Password when its dialog cannot be created ends the enter dialog
// without a key and without a cancel; acquisition then tries the change dialog
// itself, which fails the same way.
TEST_F(DialogOpenError, ChangeDialogFromTheEnterDialogThatCannotBeCreated) {
    ASSERT_TRUE(StoreCheckValueOf(kSecret));
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND enter = WaitEnterDialog(ui);
        g_hInstance = noResources_;  // the UI thread waits in the dialog's loop
        ui.Click(enter, IDC_CHANGE_PASSWORD);
        ExpectDialogOpenError(ui);
        ui.WaitGone(enter);
        ExpectDialogOpenError(ui);
    });
    EXPECT_EQ(AcquireKey(&g_CheckValue), 0);
    gui.Join();
    EXPECT_EQ(g_bCancel, FALSE);
    EXPECT_EQ(g_bKeyValid, FALSE);
}

}  // namespace
