// A run in the middle of a long file: the thread's windows keep answering,
// and a Cancel leaves the file whole.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/state.h"
#include "progress_recorder.h"
#include "run_fixture.h"

namespace {

using vftest::Contents;
using vftest::NothingExpected;
using vftest::Pattern;
using vftest::Rc4Whole;
using vftest::WalkWithGui;

// Long enough to take a good part of a second under Wine.
constexpr size_t kLongFile = 128u << 20;

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

}  // namespace
