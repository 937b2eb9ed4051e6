// TransformFile when the file system lets it down part-way: the file keeps
// its name and its old contents, and the user hears about it.
#include <gtest/gtest.h>

#include <memory>

#include "common/messages.h"
#include "failing_io.h"
#include "fileproc/file_run.h"
#include "run_fixture.h"

namespace {

using vftest::AnswerBox;
using vftest::Contents;
using vftest::Pattern;
using vftest::TransformWithGui;

class TransformFaultTest : public vftest::RunFixture {};

struct IoFaultCase {
    const char* what;
    bool failRead;    // else a write that stops half-way
    int failingCall;  // 1-based, counted over the whole call of TransformFile
    int answer;
    int expectedResult;
};

TEST_F(TransformFaultTest, ReadOrWriteFailingPartWayPutsTheBytesBack) {
    const IoFaultCase cases[] = {
        // The file is one stretch of the journal, read whole in one call.
        {"the read, then going on", true, 1, IDYES, 1},
        {"the read, then stopping", true, 1, IDNO, 0},
        {"first write", false, 1, IDYES, 1},
        {"third write", false, 3, IDYES, 1},
    };
    for (const IoFaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = dir_ / "faulty.bin";
        std::string plain = Pattern(4 * 65535 + 100);
        ASSERT_TRUE(vftest::WriteFileBytes(path, plain));
        const FILETIME dated = {0x89abcdef, 0x01D00000};
        ASSERT_TRUE(vftest::SetLastWriteTime(path, dated));

        vftest::GuiHelper gui(AnswerBox(vftest::CannotTransformText(path), kStyleContinue, c.answer));
        int result;
        {
            std::unique_ptr<vftest::FailingRead> failingRead;
            std::unique_ptr<vftest::FailingWrite> failingWrite;
            if (c.failRead)
                failingRead = std::make_unique<vftest::FailingRead>(c.failingCall);
            else
                failingWrite = std::make_unique<vftest::FailingWrite>(c.failingCall);
            ASSERT_TRUE(failingRead ? failingRead->patch.installed() : failingWrite->patch.installed());
            result = TransformFile(vftest::Wide(path).c_str(), 1);
        }
        gui.Join();

        EXPECT_EQ(result, c.expectedResult);
        EXPECT_EQ(Contents(path), plain);
        EXPECT_FALSE(vftest::FileExists(path + ".$#!"));
        EXPECT_EQ(vftest::LastWriteTime(path).dwLowDateTime, dated.dwLowDateTime);
        DeleteFileA(path.c_str());
    }
}

TEST_F(TransformFaultTest, RenameFailingAfterTheTransformPutsTheContentsBack) {
    std::string path = dir_ / "stuck.txt";
    std::string plain = Pattern(2 * 65535 + 1);
    ASSERT_TRUE(vftest::WriteFileBytes(path, plain));

    vftest::GuiHelper gui(AnswerBox(vftest::CannotRenameText(path), kStyleContinue, IDNO));
    int result;
    {
        vftest::FailingMove failingMove;
        ASSERT_TRUE(failingMove.patch.installed());
        result = TransformFile(vftest::Wide(path).c_str(), 1);
    }
    gui.Join();

    EXPECT_EQ(result, 0);
    EXPECT_EQ(Contents(path), plain);
    EXPECT_FALSE(vftest::FileExists(path + ".$#!"));
}

TEST_F(TransformFaultTest, MissingFileAsksWhetherToGoOn) {
    std::string path = dir_ / "gone.txt";
    EXPECT_EQ(TransformWithGui(path, 1, AnswerBox(vftest::NotFoundText(path), kStyleContinue, IDYES)), 1);
    EXPECT_EQ(TransformWithGui(path, 0, AnswerBox(vftest::NotFoundText(path), kStyleContinue, IDNO)), 0);
    EXPECT_FALSE(vftest::FileExists(path + ".$#!"));
}

}  // namespace
