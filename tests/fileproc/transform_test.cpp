// TransformFile on real files: contents, names, times, prompts and progress.
#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/state.h"
#include "failing_io.h"
#include "fileproc/file_run.h"
#include "progress_recorder.h"
#include "run_fixture.h"

namespace {

using vftest::AnswerBox;
using vftest::Contents;
using vftest::NothingExpected;
using vftest::Pattern;
using vftest::Rc4Whole;
using vftest::TransformWithGui;

class TransformFileTest : public vftest::RunFixture {};

TEST_F(TransformFileTest, BlocksEqualOneRc4PassAndDecryptRestores) {
    for (size_t size : {0u, 1u, 65534u, 65535u, 65536u, 3u * 65535u + 7u}) {
        SCOPED_TRACE(size);
        std::string plain = Pattern(size, static_cast<unsigned>(size));
        std::string path = dir_ / ("file" + std::to_string(size) + ".bin");
        ASSERT_TRUE(vftest::WriteFileBytes(path, plain));

        EXPECT_EQ(TransformWithGui(path, 1, NothingExpected), 1);
        EXPECT_FALSE(vftest::FileExists(path));  // an empty file is renamed too
        EXPECT_EQ(Contents(path + ".$#!"), Rc4Whole(plain));

        EXPECT_EQ(TransformWithGui(path + ".$#!", 0, NothingExpected), 1);
        EXPECT_FALSE(vftest::FileExists(path + ".$#!"));
        EXPECT_EQ(Contents(path), plain);
    }
}

TEST_F(TransformFileTest, KeepsTheLastWriteTimeToFullResolution) {
    std::string path = dir_ / "dated.txt";
    ASSERT_TRUE(vftest::WriteFileBytes(path, Pattern(70000)));
    const FILETIME odd = {0x12345677, 0x01C0FFEE};  // not a whole second, not even a whole microsecond
    ASSERT_TRUE(vftest::SetLastWriteTime(path, odd));

    EXPECT_EQ(TransformWithGui(path, 1, NothingExpected), 1);
    FILETIME after = vftest::LastWriteTime(path + ".$#!");
    EXPECT_EQ(after.dwLowDateTime, odd.dwLowDateTime);
    EXPECT_EQ(after.dwHighDateTime, odd.dwHighDateTime);
}

TEST_F(TransformFileTest, ShowsTheFileAndTheRoundedPercentAfterEachBlock) {
    const size_t size = 3 * 65535 + 7;
    std::string path = dir_ / "progress.bin";
    ASSERT_TRUE(vftest::WriteFileBytes(path, Pattern(size)));
    vftest::ProgressRecorder progress;

    EXPECT_EQ(TransformWithGui(path, 1, NothingExpected), 1);
    EXPECT_EQ(progress.names(), std::vector<std::string>{path});
    // Blocks of whole 4096-byte sectors, as many as the 65535-byte buffer
    // holds, so that a run killed between two blocks leaves no sector half done.
    const int block = 65535 / 4096 * 4096;
    std::vector<int> expected = {0};
    for (int blocks = 1; blocks * block < static_cast<int>(size); ++blocks)
        expected.push_back(MulDiv(blocks * block, 100, static_cast<int>(size)));
    expected.push_back(100);
    EXPECT_EQ(progress.positions(), expected);
}

TEST_F(TransformFileTest, FileThatCannotBeOpenedIsReportedAndLeftAlone) {
    std::string readOnly = dir_ / "readonly.txt";
    std::string held = dir_ / "held.txt";
    std::string plain = Pattern(1000);
    ASSERT_TRUE(vftest::WriteFileBytes(readOnly, plain));
    ASSERT_TRUE(vftest::WriteFileBytes(held, plain));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    EXPECT_EQ(TransformWithGui(readOnly, 1, AnswerBox(vftest::CannotOpenText(readOnly), kStyleContinue, IDYES)), 1);
    EXPECT_EQ(TransformWithGui(held, 1, AnswerBox(vftest::CannotOpenText(held), kStyleContinue, IDNO)), 0);
    CloseHandle(holder);

    for (const std::string& path : {readOnly, held}) {
        EXPECT_EQ(Contents(path), plain) << path;
        EXPECT_FALSE(vftest::FileExists(path + ".$#!")) << path;
    }
}

struct ConfirmCase {
    const char* name;
    int encrypt;
    int answer;
    int expectedResult;
    bool transformed;
};

TEST_F(TransformFileTest, MarkedOrUnmarkedNameAgainstTheCommandAsksFirst) {
    const ConfirmCase cases[] = {
        {"twice.txt.$#!", 1, IDYES, 1, true},     {"twice.txt.$#!", 1, IDNO, 1, false},
        {"twice.txt.$#!", 1, IDCANCEL, 0, false}, {"plain.txt", 0, IDYES, 1, true},
        {"plain.txt", 0, IDNO, 1, false},         {"plain.txt", 0, IDCANCEL, 0, false},
    };
    for (const ConfirmCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " answer " + std::to_string(c.answer));
        std::string path = dir_ / c.name;
        std::string plain = Pattern(5000);
        ASSERT_TRUE(vftest::WriteFileBytes(path, plain));
        std::string question = c.encrypt ? vftest::AlreadyEncryptedText(path) : vftest::NotEncryptedText(path);

        EXPECT_EQ(TransformWithGui(path, c.encrypt, AnswerBox(question, kStyleConfirm, c.answer)), c.expectedResult);
        // A confirmed transform keeps the name as it was.
        EXPECT_EQ(Contents(path), c.transformed ? Rc4Whole(plain) : plain);
        DeleteFileA(path.c_str());
    }
}

TEST_F(TransformFileTest, NameThatCannotBeTakenLeavesTheFileUntouched) {
    std::string encryptMe = dir_ / "taken.txt";
    std::string decryptMe = dir_ / "back.txt.$#!";
    std::string plain = Pattern(3000);
    for (const std::string& path : {encryptMe, encryptMe + ".$#!", decryptMe, dir_ / "back.txt"})
        ASSERT_TRUE(vftest::WriteFileBytes(path, plain)) << path;

    {
        // Checked before the contents are touched: not one byte is written.
        vftest::FailingWrite counter(vftest::FailingWrite::kNever);
        ASSERT_TRUE(counter.patch.installed());
        EXPECT_EQ(TransformWithGui(encryptMe, 1, AnswerBox(vftest::CannotRenameText(encryptMe), kStyleContinue, IDYES)),
                  1);
        EXPECT_EQ(TransformWithGui(decryptMe, 0, AnswerBox(vftest::CannotRenameText(decryptMe), kStyleContinue, IDNO)),
                  0);
        EXPECT_EQ(counter.calls(), 0);
    }

    for (const std::string& path : {encryptMe, encryptMe + ".$#!", decryptMe, dir_ / "back.txt"})
        EXPECT_EQ(Contents(path), plain) << path;
}

TEST_F(TransformFileTest, PathOfFourCharactersOrFewerIsComparedWhole) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
    std::string plain = Pattern(100);
    ASSERT_TRUE(vftest::WriteFileBytes(".$#!", plain));
    ASSERT_TRUE(vftest::WriteFileBytes("a", plain));

    // Marked as a whole: no question, but removing the mark would leave no name.
    EXPECT_EQ(TransformWithGui(".$#!", 0, AnswerBox(vftest::CannotRenameText(".$#!"), kStyleContinue, IDYES)), 1);
    EXPECT_EQ(TransformWithGui("a", 1, NothingExpected), 1);
    std::string untouched = Contents(dir_ / ".$#!");
    std::string encrypted = Contents(dir_ / "a.$#!");
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(untouched, plain);
    EXPECT_EQ(encrypted, Rc4Whole(plain));
}

TEST_F(TransformFileTest, CancelStopsBeforeTheNextFileWithoutAPrompt) {
    std::string first = dir_ / "first.txt";
    std::string second = dir_ / "second.txt";
    std::string plain = Pattern(100);
    ASSERT_TRUE(vftest::WriteFileBytes(first, plain));
    ASSERT_TRUE(vftest::WriteFileBytes(second, plain));

    EXPECT_EQ(TransformWithGui(first, 1, NothingExpected), 1);
    g_bCancel = TRUE;
    EXPECT_EQ(TransformWithGui(second, 1, NothingExpected), 0);
    EXPECT_EQ(Contents(second), plain);
    EXPECT_EQ(Contents(first + ".$#!"), Rc4Whole(plain));
}

}  // namespace
