// The journal on a real disk: a run killed in the middle of a file leaves a
// record from which the next command finishes the file.
#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/state.h"
#include "engine/contents.h"
#include "failing_io.h"
#include "fileproc/file_run.h"
#include "run_fixture.h"

namespace {

using vftest::AnswerBox;
using vftest::Contents;
using vftest::Pattern;
using vftest::Rc4Whole;
using vftest::Wide;

// Three checkpoints' worth and a bit: 16 MiB between two.
constexpr size_t kFileSize = (50u << 20) + 12345;

class JournalOnDisk : public vftest::RunFixture {};

bool NoRecordLeft(const std::string& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + "\\*.vfj").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    FindClose(search);
    return false;
}

TEST_F(JournalOnDisk, AFileKilledPartWayIsFinishedByTheNextCommand) {
    const std::string path = dir_ / "big.bin";
    const std::string next = dir_ / "next.txt";
    const std::string plain = Pattern(kFileSize, 3);
    // How many writes a whole run takes: the long pass's blocks, a stretch of
    // them between two checkpoints, and a record before each stretch.
    constexpr int kPerStretch = 1 + static_cast<int>(kJournalStretch / kLongPassBlock);
    int writes = 0;
    ASSERT_TRUE(vftest::WriteFileBytes(path, plain));
    {
        vftest::CrashingWrite count(vftest::CrashingWrite::kNever);
        EXPECT_EQ(TransformFile(Wide(path).c_str(), 1), 1);
        writes = count.calls();
    }
    ASSERT_TRUE(DeleteFileW(Wide(path + ".$#!").c_str()));
    // Killed in the first stretch, on either side of a checkpoint, and at the
    // last write before the rename (the last of all clears the record).
    for (int killedAt :
         {2, kPerStretch / 2, kPerStretch, kPerStretch + 1, 2 * kPerStretch + kPerStretch / 2, writes - 1}) {
        SCOPED_TRACE(killedAt);
        ASSERT_TRUE(vftest::WriteFileBytes(path, plain));
        ASSERT_TRUE(vftest::WriteFileBytes(next, "next"));
        {
            vftest::CrashingWrite kill(killedAt);
            ASSERT_TRUE(kill.patch.installed());
            EXPECT_THROW(TransformFile(Wide(path).c_str(), 1), vftest::Killed);
        }
        EXPECT_FALSE(NoRecordLeft(dir_ / "journal"));

        // The next Encrypt, on another file, offers to finish this one first.
        std::string question = path +
                               " was left partly encrypted or decrypted when Veilfold was stopped. Do you want to "
                               "finish it now?";
        EXPECT_EQ(vftest::TransformWithGui(next, 1, AnswerBox(question, kStyleConfirm, IDYES)), 1);
        EXPECT_FALSE(vftest::FileExists(path));
        EXPECT_TRUE(Contents(path + ".$#!") == Rc4Whole(plain)) << "not wholly encrypted";
        EXPECT_TRUE(NoRecordLeft(dir_ / "journal"));
        DeleteFileW(Wide(path + ".$#!").c_str());
        DeleteFileW(Wide(next + ".$#!").c_str());
    }
}

// Every record is on the disk before the bytes it speaks for change: flushed,
// not only written with write-through asked for, which not every system
// honours.
TEST_F(JournalOnDisk, EachRecordIsFlushedBeforeTheFileChanges) {
    const std::string path = dir_ / "three-stretches.bin";
    ASSERT_TRUE(vftest::WriteFileBytes(path, Pattern(kFileSize, 5)));
    vftest::DiskOrder order;
    ASSERT_TRUE(order.write.installed() && order.flush.installed());
    EXPECT_EQ(TransformFile(Wide(path).c_str(), 1), 1);

    using Event = vftest::DiskOrder::Event;
    constexpr Event kRecord{true, false}, kRecordFlush{true, true}, kData{false, false};
    int records = 0;
    bool recordUnflushed = false;
    for (const Event& event : order.events) {
        if (event == kRecord) {
            ++records;
            recordUnflushed = true;
        }
        if (event == kRecordFlush) recordUnflushed = false;
        if (event == kData) {
            EXPECT_FALSE(recordUnflushed) << "the file changed before record " << records << " was flushed";
        }
    }
    EXPECT_GE(records, 4) << "one record before each of the four stretches";
}

// Killed as it cleared the record of a file it had finished: the next run
// lets the record go without asking.
TEST_F(JournalOnDisk, ARecordOfAFinishedFileGoesUnasked) {
    const std::string path = dir_ / "small.txt";
    const std::string next = dir_ / "next.txt";
    ASSERT_TRUE(vftest::WriteFileBytes(path, "small"));
    ASSERT_TRUE(vftest::WriteFileBytes(next, "next"));
    int writes = 0;
    {
        vftest::CrashingWrite count(vftest::CrashingWrite::kNever);
        EXPECT_EQ(TransformFile(Wide(path).c_str(), 1), 1);
        writes = count.calls();
    }
    ASSERT_TRUE(DeleteFileW(Wide(path + ".$#!").c_str()));
    ASSERT_TRUE(vftest::WriteFileBytes(path, "small"));
    {
        vftest::CrashingWrite kill(writes);
        ASSERT_TRUE(kill.patch.installed());
        EXPECT_THROW(TransformFile(Wide(path).c_str(), 1), vftest::Killed);
    }
    EXPECT_FALSE(NoRecordLeft(dir_ / "journal"));
    EXPECT_EQ(vftest::TransformWithGui(next, 1, vftest::NothingExpected), 1);
    EXPECT_TRUE(NoRecordLeft(dir_ / "journal"));
    EXPECT_TRUE(Contents(path + ".$#!") == Rc4Whole("small"));
}

}  // namespace
