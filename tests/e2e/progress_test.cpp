// The progress window of a real run, looked at while the run waits at the
// start of each file: what it shows, whom it disables, and what its Cancel
// button stops. Its placement is checked in tests/shell/progress_test.cpp.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <optional>

#include "e2e_fixture.h"
#include "password_steps.h"
#include "resource.h"

namespace e2e {
namespace {

constexpr int kFileCount = 5;
constexpr size_t kFileSize = 150000;  // three blocks of the run's buffer

class E2eProgress : public E2eTest {
protected:
    void SetUp() override {
        E2eTest::SetUp();
        for (int i = 0; i < kFileCount; ++i) {
            std::string bytes(kFileSize, static_cast<char>('a' + i));
            files_.push_back(MakeFile("part" + std::to_string(i) + ".txt", bytes));
        }
        plain_ = Snapshot(dir_.path());
    }

    // Plays the user in the first-use dialog, then waits for the run to stand at the next file.
    static std::optional<std::string> SetPasswordAndWait(vftest::Gui& ui, vfhost::ProgressGate& gate) {
        vfhost::SetNewPassword(ui, ui.WaitWindow(vfhost::kChangePasswordCaption), kPassword);
        return gate.WaitHeld(vftest::kDefaultTimeoutMs);
    }

    std::vector<std::string> files_;
    Tree plain_;
};

int BarPosition(HWND progress) {
    DWORD_PTR position = 0;
    SendMessageTimeoutA(GetDlgItem(progress, IDC_PROGRESSBAR), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position);
    return static_cast<int>(position);
}

void ExpectFirstFileShown(vftest::Gui& ui, HWND progress, HWND owner, const std::string& path) {
    EXPECT_EQ(ui.Text(progress), vfhost::kEncryptingCaption);
    EXPECT_EQ(GetWindow(progress, GW_OWNER), owner);
    EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner takes no input during the run";
    EXPECT_EQ(ui.Text(progress, IDC_FILENAME), path);
    EXPECT_EQ(BarPosition(progress), 0);
    EXPECT_EQ(ui.Text(progress, IDCANCEL), "Cancel");
}

TEST_F(E2eProgress, ShowsEachFileInTurnAboveTheDisabledOwner) {
    std::vector<std::string> held;
    HWND owner = Owner();
    RunOutcome run = Run(
        kEncrypt, files_,
        [&](vftest::Gui& ui, vfhost::ProgressGate& gate) {
            std::optional<std::string> file = SetPasswordAndWait(ui, gate);
            ASSERT_TRUE(file);
            ExpectFirstFileShown(ui, gate.Window(), owner, files_[0]);
            Photograph("e2e-progress-first-file");
            for (; file; file = gate.WaitHeld(vftest::kDefaultTimeoutMs)) {
                held.push_back(*file);
                EXPECT_EQ(ui.Text(gate.Window(), IDC_FILENAME), *file);
                gate.Resume();
            }
        },
        true);
    EXPECT_EQ(run.result, S_OK);
    EXPECT_EQ(held, files_);
    EXPECT_TRUE(run.ownerEnabled);
    EXPECT_TRUE(run.ownerActive);
    EXPECT_EQ(Snapshot(dir_.path()), EncryptedTree(plain_));
}

// Where in the file in hand the run meets the click depends on timing: before
// half way the file is put back, after it the file is finished. Either way it
// is whole, and nothing after it is touched.
TEST_F(E2eProgress, CancelStopsTheRunWithTheFileInHandWholeAndTheRestUntouched) {
    constexpr int kCancelAt = 2;
    RunOutcome run = Run(
        kEncrypt, files_,
        [&](vftest::Gui& ui, vfhost::ProgressGate& gate) {
            std::optional<std::string> file = SetPasswordAndWait(ui, gate);
            for (int i = 0; file && i < kCancelAt; ++i) {
                gate.Resume();
                file = gate.WaitHeld(vftest::kDefaultTimeoutMs);
            }
            ASSERT_TRUE(file);
            ui.Click(gate.Window(), IDCANCEL);
            gate.RunFree();
        },
        true);
    EXPECT_EQ(run.result, S_OK);
    EXPECT_TRUE(run.ownerEnabled);
    EXPECT_TRUE(run.ownerActive);
    EXPECT_EQ(run.filesShown.size(), kCancelAt + 1u);

    auto encryptedUpTo = [&](int last) {
        Tree expected = plain_;
        for (int i = 0; i <= last; ++i) {
            std::string name = "part" + std::to_string(i) + ".txt";
            FileState done{Encrypted(plain_.at(name).bytes), plain_.at(name).lastWrite};
            expected.erase(name);
            expected[name + kSuffix] = done;
        }
        return expected;
    };
    Tree after = Snapshot(dir_.path());
    EXPECT_TRUE(after == encryptedUpTo(kCancelAt - 1) || after == encryptedUpTo(kCancelAt))
        << "the files before the one in hand encrypted, the one in hand whole, the rest untouched";
}

}  // namespace
}  // namespace e2e
