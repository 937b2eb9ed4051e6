// A run in the middle of a long file: the thread's windows keep answering,
// and a Cancel leaves the file whole.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "common/state.h"
#include "failing_io.h"
#include "fileproc/file_progress.h"
#include "progress_recorder.h"
#include "run_fixture.h"

namespace {

using vftest::Contents;
using vftest::NothingExpected;
using vftest::Pattern;
using vftest::Rc4Whole;
using vftest::WalkWithGui;

// With each write slowed, a second or so under Wine on any disk: a message
// or a Cancel sent at some point lands well before the file's end.
constexpr size_t kLongFile = 64u << 20;
constexpr DWORD kWriteMs = 2;

class DuringAFile : public vftest::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        plain_ = Pattern(kLongFile, 7);
        ASSERT_TRUE(vftest::WriteFileBytes(long_, plain_));
    }

    std::string long_ = dir_ / "long.bin";
    std::string plain_;
};

// Sent early in the file, and past half way, where a Cancel is no longer
// taken but the window must still answer.
TEST_F(DuringAFile, AMessageFromAnotherThreadIsAnsweredBeforeTheFileIsDone) {
    vftest::SlowWrite slow(kWriteMs);
    ASSERT_TRUE(slow.patch.installed());
    for (int sendAtPercent : {5, 55}) {
        SCOPED_TRACE(sendAtPercent);
        vftest::ProgressRecorder progress;
        std::atomic<int> answeredAt{-1};
        std::thread sender;
        progress.OnPosition([&](int percent) {
            if (percent < sendAtPercent || sender.joinable()) return;
            sender = std::thread([&] {
                // Answered only when the run's thread takes its messages,
                // with where the bar stands at that moment.
                DWORD_PTR position = 0;
                if (SendMessageTimeoutW(g_hwndProgressBar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 60000, &position))
                    answeredAt = static_cast<int>(position);
            });
        });

        std::string name = sendAtPercent == 5 ? long_ : long_ + ".$#!";
        EXPECT_EQ(WalkWithGui(name, sendAtPercent == 5, NothingExpected), 1);
        if (sender.joinable()) sender.join();
        EXPECT_GE(answeredAt, 0) << "never answered";
        EXPECT_LT(answeredAt, 100) << "answered only once the file was done";
    }
    EXPECT_EQ(Contents(long_), plain_) << "encrypted and decrypted again";
}

TEST_F(DuringAFile, ACancelLeavesTheFileWholeAndStopsTheRun) {
    struct Case {
        int cancelAtPercent;
        bool finished;  // more than half done by the time the Cancel is taken
    };
    vftest::SlowWrite slow(kWriteMs);
    ASSERT_TRUE(slow.patch.installed());
    for (Case c : {Case{5, false}, Case{60, true}}) {
        SCOPED_TRACE(c.cancelAtPercent);
        g_bCancel = FALSE;
        vftest::ProgressRecorder progress;
        bool posted = false;
        progress.OnPosition([&](int percent) {
            if (percent < c.cancelAtPercent || posted) return;
            progress.PostCancel();  // as a click on Cancel: seen at the run's next turn
            posted = true;
        });

        EXPECT_EQ(WalkWithGui(long_, 1, NothingExpected), 0) << "the run stops";
        if (c.finished) {
            EXPECT_EQ(Contents(long_ + ".$#!"), Rc4Whole(plain_));
            ASSERT_TRUE(MoveFileA((long_ + ".$#!").c_str(), long_.c_str()));
            ASSERT_TRUE(vftest::WriteFileBytes(long_, plain_));
        } else {
            EXPECT_EQ(Contents(long_), plain_);
            EXPECT_FALSE(vftest::FileExists(long_ + ".$#!"));
        }
    }
}

// With repaints held back as in a real run: the long file in hand is shown,
// and three hundred small files after it cost only a few repaints.
TEST_F(DuringAFile, RepaintsAreFewAndTheFileInHandIsShown) {
    SetProgressRepaintInterval(kProgressRepaintMs);
    std::string tree = dir_ / "tree";
    std::string inTree = tree + "\\long.bin";
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    ASSERT_TRUE(MoveFileA(long_.c_str(), inTree.c_str()));
    std::string many = tree + "\\many";
    ASSERT_TRUE(CreateDirectoryA(many.c_str(), nullptr));
    for (int n = 0; n < 300; ++n) ASSERT_TRUE(vftest::WriteFileBytes(many + "\\f" + std::to_string(n), "small"));
    vftest::ProgressRecorder progress;

    ULONGLONG started = GetTickCount64();
    EXPECT_EQ(WalkWithGui(tree, 1, NothingExpected), 1);
    ULONGLONG elapsed = GetTickCount64() - started;

    const std::vector<std::string>& names = progress.names();
    EXPECT_NE(std::find(names.begin(), names.end(), inTree), names.end()) << "the long file never shown";
    // Each repaint comes at least the interval after the one before.
    std::size_t mostRepaints = elapsed / (kProgressRepaintMs - 3) + 2;
    EXPECT_LE(names.size(), mostRepaints);
    EXPECT_LE(progress.positions().size(), mostRepaints);
}

}  // namespace
