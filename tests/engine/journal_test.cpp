// The journal: a run killed at any write, with or without the power failing
// as well, leaves a record from which the next run makes the file whole.
#include "engine/journal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "engine/run.h"
#include "fake_file_system.h"
#include "rc4_whole.h"
#include "scripted_user.h"

namespace {

using vftest::FakeFileSystem;
using vftest::ScriptedUser;
using Asked = ScriptedUser::Asked;

// Records kept as the bytes a real store would hold: each write replaces
// the set this store wrote last, and a record of an ended run's goes when a
// write speaks for its file or it is cleared.
class FakeJournal final : public JournalStore {
public:
    bool WriteAll(std::span<const JournalRecord> set) override {
        bool onlyDrops = set.size() < own_.size() && std::all_of(set.begin(), set.end(), [&](const JournalRecord& r) {
                             return own_.contains(r.path);
                         });
        ++writes;
        if (onlyDrops && ++clears && dropClears) return true;
        for (const PathString& path : own_) records.erase(path);
        own_.clear();
        for (const JournalRecord& record : set) {
            records[record.path] = EncodeRecord(record);
            own_.insert(record.path);
        }
        return true;
    }
    void Clear(const PathString& path) override {
        ++clears;
        if (dropClears) return;
        records.erase(path);
        own_.erase(path);
    }
    std::vector<JournalRecord> Unfinished() override {
        std::vector<JournalRecord> unfinished;
        for (const auto& [path, bytes] : records) {
            JournalRecord record;
            if (DecodeRecord(bytes, record)) unfinished.push_back(record);
        }
        return unfinished;
    }
    std::map<PathString, std::vector<std::uint8_t>> records;
    int writes = 0;
    int clears = 0;           // writes that only took records away
    bool dropClears = false;  // as if each clear were lost with the power

private:
    std::set<PathString> own_;
};

const PathString kFile = PathString(1, kPathSeparator) + VF_PATH("file");

// "f0", "f1", ...: a name for the n-th of many files.
PathString PathOf(int n) {
    PathString name = VF_PATH("f");
    for (char c : std::to_string(n)) name += static_cast<PathChar>(c);
    return name;
}
const PathString kMarked = kFile + kEncryptedSuffix;
constexpr std::uint64_t kStretch = 3 * kJournalSector;

class JournalTest : public ::testing::Test {
protected:
    JournalTest() : buffer_(5000) {
        const char password[] = "journal password";
        Sha1Buffer(password, sizeof password - 1, key_);
        fingerprint_.h[0] = 0x5eed;
        for (std::size_t n = 0; n < 10 * kJournalSector + 123; ++n)
            plain_.push_back(static_cast<char>((n * 131 + n / 4096) & 0xff));
    }

    std::string Encrypted(const std::string& plain) { return vftest::Rc4Whole(key_, plain); }

    // A run over the file (or `path`) that is killed by the crash the fake was set up for.
    void RunUntilKilled(ScriptedUser& user, const PathString& path = kFile) {
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        EXPECT_THROW(
            {
                run.WalkPath(path);
                run.Finish(false);
            },
            FakeFileSystem::Crash);
    }

    // The next command: offers to finish the file, and the user says Yes.
    ScriptedUser Recover(const KeyDigest& fingerprint) {
        ScriptedUser user;
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint, stretch_);
        run.RecoverUnfinished();
        return user;
    }

    void FreshFile() {
        fs_ = FakeFileSystem();
        journal_ = FakeJournal();
        fs_.AddFile(kFile, plain_);
    }

    // A fresh file whose run is killed at its `crashAt`-th write; with
    // `power` (a seed), the power fails as well.
    void KillAt(int crashAt, int power) {
        FreshFile();
        fs_.CrashAtWrite(crashAt);
        ScriptedUser killed;
        RunUntilKilled(killed);
        if (power) fs_.LosePower(static_cast<unsigned>(power), false);
    }

    FakeFileSystem fs_;
    FakeJournal journal_;
    KeyDigest key_;
    KeyDigest fingerprint_{};
    std::vector<std::uint8_t> buffer_;
    std::string plain_;
    std::uint64_t stretch_ = kStretch;
};

TEST_F(JournalTest, ARecordReadsBackAsWrittenAndACutOrChangedOneAsNone) {
    JournalRecord record;
    record.path = kFile;
    record.newName = kMarked;
    record.size = 123456789012ULL;
    record.lastWrite.ticks = 0x01D9ABCDEF012345ULL;
    record.restoring = true;
    record.fingerprint.h[4] = 0xfeedface;
    record.regionEnd = 99999;
    record.reached = 8192;
    record.stretchEnd = 16384;
    record.stretchHashes = {1, 2, 0xffffffff};
    std::vector<std::uint8_t> bytes = EncodeRecord(record);

    JournalRecord back;
    ASSERT_TRUE(DecodeRecord(bytes, back));
    EXPECT_EQ(EncodeRecord(back), bytes);
    EXPECT_EQ(back.path, kFile);
    EXPECT_EQ(back.stretchHashes, record.stretchHashes);

    std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 5);
    EXPECT_FALSE(DecodeRecord(cut, back));
    std::vector<std::uint8_t> changed = bytes;
    changed[20] ^= 1;
    EXPECT_FALSE(DecodeRecord(changed, back));
}

// Killed at every write of the file (blocks of one sector, as the 5000-byte
// buffer holds one: 11 writes, in four stretches), each time with the power
// lost as well or not.
TEST_F(JournalTest, AFileKilledAnywhereInItsTransformIsFinishedByTheNextCommand) {
    for (int crashAt = 1; crashAt <= 11; ++crashAt) {
        for (int power : {0, 1, 2}) {  // kept; lost (seed 1); lost (seed 2)
            SCOPED_TRACE(testing::Message() << "write " << crashAt << ", power " << power);
            KillAt(crashAt, power);
            ASSERT_EQ(journal_.records.size(), 1u);

            ScriptedUser user = Recover(fingerprint_);
            EXPECT_EQ(user.asked, (std::vector<Asked>{{Question::Unfinished, kFile}}));
            EXPECT_FALSE(fs_.Exists(kFile));
            EXPECT_TRUE(fs_.Contents(kMarked) == Encrypted(plain_)) << "not wholly encrypted";
            EXPECT_TRUE(journal_.records.empty());
        }
    }
}

// A long file goes to disk in the background, a stretch behind its writes,
// and its record keeps both stretches in flight: killed at every write of
// its own large blocks (one per stretch here), with or without the power lost.
TEST_F(JournalTest, ALongFileKilledAnywhereIsFinishedByTheNextCommand) {
    stretch_ = 64 * kJournalSector;
    plain_.resize(kLongPass + 4321);
    for (std::size_t n = 0; n < plain_.size(); ++n) plain_[n] = static_cast<char>((n * 7 + n / 4096) & 0xff);
    const std::string encrypted = Encrypted(plain_);
    const int writes = static_cast<int>((plain_.size() + stretch_ - 1) / stretch_);
    for (int crashAt = 1; crashAt <= writes; ++crashAt) {
        int power = crashAt % 3;  // kept, lost (seed 1), lost (seed 2), in turn
        SCOPED_TRACE(testing::Message() << "write " << crashAt << ", power " << power);
        KillAt(crashAt, power);

        Recover(fingerprint_);
        EXPECT_FALSE(fs_.Exists(kFile));
        EXPECT_TRUE(fs_.Contents(kMarked) == encrypted) << "not wholly encrypted";
        EXPECT_TRUE(journal_.records.empty());
    }
}

TEST_F(JournalTest, AKillBetweenTheLastWriteAndTheRenameIsFinishedByTheRename) {
    FreshFile();
    fs_.CrashAtRename();
    ScriptedUser killed;
    RunUntilKilled(killed);
    fs_ = [&] {
        FakeFileSystem next;
        next.AddFile(kFile, fs_.Contents(kFile));
        return next;
    }();
    ScriptedUser user = Recover(fingerprint_);
    EXPECT_TRUE(fs_.Contents(kMarked) == Encrypted(plain_)) << "not wholly encrypted";
    EXPECT_TRUE(journal_.records.empty());
}

// The 7th block's write fails half way, after the last checkpoint; the pass
// that puts the blocks back is killed, with or without the power lost as
// well.
TEST_F(JournalTest, AFileKilledWhileBeingPutBackIsPutBackByTheNextCommand) {
    for (int intoRestore = 1; intoRestore <= 7; ++intoRestore) {
        for (int power : {0, 1, 2}) {  // kept; lost (seed 1); lost (seed 2)
            SCOPED_TRACE(testing::Message() << "restore write " << intoRestore << ", power " << power);
            FreshFile();
            fs_.FailWriteAt(7);
            fs_.CrashAtWrite(7 + intoRestore);
            ScriptedUser killed;
            killed.answers = {Answer::Yes};
            RunUntilKilled(killed);
            if (power) fs_.LosePower(static_cast<unsigned>(power), false);

            ScriptedUser user = Recover(fingerprint_);
            EXPECT_EQ(user.asked, (std::vector<Asked>{{Question::Unfinished, kFile}}));
            EXPECT_TRUE(fs_.Contents(kFile) == plain_) << "not put back";
            EXPECT_FALSE(fs_.Exists(kMarked));
            EXPECT_TRUE(journal_.records.empty());
        }
    }
}

TEST_F(JournalTest, ATornSectorOrAnotherKeyChangesNothing) {
    FreshFile();
    fs_.CrashAtWrite(5);
    ScriptedUser killed;
    RunUntilKilled(killed);

    // A password changed since: the record stays for the right key.
    KeyDigest other = fingerprint_;
    other.h[1] ^= 1;
    std::string left = fs_.Contents(kFile);
    ScriptedUser wrongKey = Recover(other);
    EXPECT_EQ(wrongKey.asked,
              (std::vector<Asked>{{Question::Unfinished, kFile}, {Question::UnfinishedOtherKey, kFile}}));
    EXPECT_TRUE(fs_.Contents(kFile) == left) << "changed";
    EXPECT_EQ(journal_.records.size(), 1u);

    fs_.LosePower(3, true);
    left = fs_.Contents(kFile);
    ScriptedUser torn = Recover(fingerprint_);
    EXPECT_EQ(torn.asked, (std::vector<Asked>{{Question::Unfinished, kFile}, {Question::UnfinishedTorn, kFile}}));
    EXPECT_TRUE(fs_.Contents(kFile) == left) << "changed";
    EXPECT_FALSE(fs_.Exists(kMarked));
}

// Each finished file's record is left for the next file's to replace, so
// that many small files pay one write through each; but never while the user
// is asked something, and never past the run.
TEST_F(JournalTest, AFinishedFilesRecordGoesWithTheNextRecordAQuestionOrTheRunsEnd) {
    FreshFile();
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("folder");
    const PathString sep(1, kPathSeparator);
    fs_.AddFolder(folder);
    for (const PathChar* name : {VF_PATH("a"), VF_PATH("b"), VF_PATH("c")}) fs_.AddFile(folder + sep + name, plain_);
    fs_.AddFile(folder + sep + VF_PATH("d") + kEncryptedSuffix, plain_);
    ScriptedUser user;
    user.answers = {Answer::No};  // d is encrypted already: leave it
    std::size_t heldAtQuestion = 99;
    user.onAsk = [&](const Asked&) { heldAtQuestion = journal_.records.size(); };
    {
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        ASSERT_TRUE(run.WalkPath(folder));
        run.Finish(false);
    }
    EXPECT_EQ(user.asked,
              (std::vector<Asked>{{Question::AlreadyEncrypted, folder + sep + VF_PATH("d") + kEncryptedSuffix}}));
    EXPECT_EQ(heldAtQuestion, 0u) << "a finished file's record was still there while the user was asked";
    EXPECT_EQ(journal_.clears, 1) << "the records of a and b were each cleared on their own";
    EXPECT_TRUE(journal_.records.empty());
    EXPECT_TRUE(fs_.Contents(folder + sep + VF_PATH("c") + kEncryptedSuffix) == Encrypted(plain_));
}

// The power failed before a finished file's clear reached the disk: the next
// run finds the file under its new name and lets the record go unasked.
TEST_F(JournalTest, ARecordOfAFileAlreadyFinishedIsLetGoWithoutAQuestion) {
    FreshFile();
    journal_.dropClears = true;
    {
        ScriptedUser user;
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        ASSERT_TRUE(run.WalkPath(kFile));
    }
    ASSERT_EQ(journal_.records.size(), 1u);
    journal_.dropClears = false;

    ScriptedUser user = Recover(fingerprint_);
    EXPECT_TRUE(user.asked.empty());
    EXPECT_TRUE(journal_.records.empty());
    EXPECT_TRUE(fs_.Contents(kMarked) == Encrypted(plain_));
}

// A file that could not be put back keeps its record while the run goes on
// with other files, and the next run finishes it.
TEST_F(JournalTest, ARecordOfAFileNotPutBackOutlivesTheFilesAfterIt) {
    FreshFile();
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("folder");
    const PathString sep(1, kPathSeparator);
    const PathString first = folder + sep + VF_PATH("a"), second = folder + sep + VF_PATH("b");
    fs_.AddFolder(folder);
    fs_.AddFile(first, plain_);
    fs_.AddFile(second, plain_);
    fs_.FailFlushes(2);  // a's first checkpoint, then the flush before putting it back
    ScriptedUser user;   // goes on past the failure
    {
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        ASSERT_TRUE(run.WalkPath(folder));
        run.Finish(false);
    }
    ASSERT_EQ(user.asked, (std::vector<Asked>{{Question::NotRestored, first}}));
    EXPECT_TRUE(fs_.Contents(second + kEncryptedSuffix) == Encrypted(plain_));
    ASSERT_EQ(journal_.records.size(), 1u) << "b's record replaced a's";

    ScriptedUser next = Recover(fingerprint_);
    EXPECT_EQ(next.asked, (std::vector<Asked>{{Question::Unfinished, first}}));
    EXPECT_TRUE(fs_.Contents(first + kEncryptedSuffix) == Encrypted(plain_));
    EXPECT_TRUE(journal_.records.empty());
}

// Small files go several at a time: one journal write for all their records,
// then each file's one block. Killed at any of their writes or at the first
// rename, with the power kept or lost, every file ends wholly encrypted.
TEST_F(JournalTest, SmallFilesKilledAnywhereInTheirBatchAreEachMadeWhole) {
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("small");
    const PathString sep(1, kPathSeparator);
    const std::map<PathString, std::string> files = {{folder + sep + VF_PATH("a"), plain_.substr(0, 4000)},
                                                     {folder + sep + VF_PATH("b"), ""},
                                                     {folder + sep + VF_PATH("c"), plain_.substr(7, 100)},
                                                     {folder + sep + VF_PATH("d"), plain_.substr(0, buffer_.size())}};
    auto fresh = [&] {
        fs_ = FakeFileSystem();
        journal_ = FakeJournal();
        fs_.AddFolder(folder);
        for (const auto& [path, bytes] : files) fs_.AddFile(path, bytes);
    };
    fresh();
    {
        ScriptedUser user;
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        ASSERT_TRUE(run.WalkPath(folder));
        run.Finish(false);
    }
    EXPECT_EQ(journal_.writes, 2) << "one write for the batch's records, one to let them go";
    const int writes = 3;  // the empty file has none

    for (int crashAt = 1; crashAt <= writes + 1; ++crashAt) {
        for (int power : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "write " << crashAt << ", power " << power);
            fresh();
            if (crashAt <= writes)
                fs_.CrashAtWrite(crashAt);
            else
                fs_.CrashAtRename();
            ScriptedUser killed;
            RunUntilKilled(killed, folder);
            if (power) fs_.LosePower(static_cast<unsigned>(power), false);

            ScriptedUser user = Recover(fingerprint_);
            EXPECT_EQ(user.asked.size(), files.size());
            for (const auto& [path, bytes] : files) {
                EXPECT_FALSE(fs_.Exists(path));
                EXPECT_TRUE(fs_.Contents(path + kEncryptedSuffix) == Encrypted(bytes)) << "not wholly encrypted";
            }
            EXPECT_TRUE(journal_.records.empty());
        }
    }
}

// A write of a batch fails: that file is put back, and the user hears of it
// before the files after it change; they are done only if the user goes on.
TEST_F(JournalTest, AFailedWriteInABatchIsToldBeforeTheFilesAfterItChange) {
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("small");
    const PathString sep(1, kPathSeparator);
    const PathString a = folder + sep + VF_PATH("a"), b = folder + sep + VF_PATH("b"), c = folder + sep + VF_PATH("c");
    const std::string bytes = plain_.substr(0, 3000);
    for (Answer answer : {Answer::Yes, Answer::Cancel}) {
        SCOPED_TRACE(static_cast<int>(answer));
        fs_ = FakeFileSystem();
        journal_ = FakeJournal();
        fs_.AddFolder(folder);
        for (const PathString& path : {a, b, c}) fs_.AddFile(path, bytes);
        fs_.FailWriteAt(2);  // b's
        ScriptedUser user;
        user.answers = {answer};
        bool asAtTheQuestion = false;
        user.onAsk = [&](const Asked&) {
            asAtTheQuestion = fs_.Contents(a + kEncryptedSuffix) == Encrypted(bytes) && fs_.Contents(b) == bytes &&
                              fs_.Contents(c) == bytes && journal_.records.empty();
        };
        {
            TransformRun run(fs_, user, key_, buffer_, true);
            run.UseJournal(journal_, fingerprint_, stretch_);
            run.Finish(!run.WalkPath(folder));
        }
        EXPECT_EQ(user.asked, (std::vector<Asked>{{Question::CannotTransform, b}}));
        EXPECT_TRUE(asAtTheQuestion) << "a done, b put back, c untouched, no record held";
        EXPECT_EQ(fs_.Contents(b), bytes);
        if (answer == Answer::Yes)
            EXPECT_TRUE(fs_.Contents(c + kEncryptedSuffix) == Encrypted(bytes));
        else
            EXPECT_EQ(fs_.Contents(c), bytes);
        EXPECT_TRUE(journal_.records.empty());
    }
}

// A disk slow to take a batch's flushes keeps the user's window waiting no
// longer than a slow write of one block would.
TEST_F(JournalTest, TheUserGetsTurnsWhileABatchsFlushesWait) {
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("small");
    const PathString sep(1, kPathSeparator);
    fs_ = FakeFileSystem();
    fs_.AddFolder(folder);
    for (const PathChar* name : {VF_PATH("a"), VF_PATH("b"), VF_PATH("c")})
        fs_.AddFile(folder + sep + name, plain_.substr(0, 1000));
    fs_.beforeFlush = [] { std::this_thread::sleep_for(std::chrono::milliseconds(150)); };
    ScriptedUser user;
    {
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        run.Finish(!run.WalkPath(folder));
    }
    EXPECT_GE(user.turnsDuringFiles, 3);
    EXPECT_TRUE(fs_.Contents(folder + sep + VF_PATH("c") + kEncryptedSuffix) == Encrypted(plain_.substr(0, 1000)));
}

// Each stretch is read whole before any of it is written: a read that fails
// at the second stretch finds the first written, and puts it back.
TEST_F(JournalTest, AReadFailingAtTheNextStretchPutsTheWrittenOneBack) {
    FreshFile();
    fs_.FailReadAt(2);
    ScriptedUser user;
    {
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        run.Finish(!run.WalkPath(kFile));
    }
    EXPECT_EQ(user.asked, (std::vector<Asked>{{Question::CannotTransform, kFile}}));
    EXPECT_TRUE(fs_.Contents(kFile) == plain_) << "not put back";
    EXPECT_FALSE(fs_.Exists(kMarked));
    EXPECT_TRUE(journal_.records.empty());
}

// More files than a batch holds: one batch's flushes go on while the next is
// read. A run killed in the second batch, with the power lost, still leaves
// every file whole once the next run has finished what it recorded.
TEST_F(JournalTest, BatchAfterBatchAKillAnywhereLeavesEveryFileWhole) {
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("many");
    const PathString sep(1, kPathSeparator);
    const int files = static_cast<int>(2 * kBatchFiles + 3);
    auto fresh = [&] {
        fs_ = FakeFileSystem();
        journal_ = FakeJournal();
        fs_.AddFolder(folder);
        for (int n = 0; n < files; ++n) fs_.AddFile(folder + sep + PathOf(n), plain_.substr(n, 100));
    };
    // Each file wholly encrypted under its new name, or, if the run never
    // reached it, wholly plain under its old one; returns how many are encrypted.
    auto expectEachWhole = [&] {
        int encrypted = 0;
        for (int n = 0; n < files; ++n) {
            PathString path = folder + sep + PathOf(n);
            std::string bytes = plain_.substr(n, 100);
            bool whole = fs_.Exists(path) ? fs_.Contents(path) == bytes && !fs_.Exists(path + kEncryptedSuffix)
                                          : fs_.Contents(path + kEncryptedSuffix) == Encrypted(bytes);
            EXPECT_TRUE(whole) << n;
            encrypted += fs_.Exists(path) ? 0 : 1;
        }
        return encrypted;
    };
    fresh();
    {
        ScriptedUser user;
        TransformRun run(fs_, user, key_, buffer_, true);
        run.UseJournal(journal_, fingerprint_, stretch_);
        run.Finish(!run.WalkPath(folder));
    }
    EXPECT_EQ(expectEachWhole(), files);
    EXPECT_EQ(journal_.writes, 4) << "three batches' records, then letting the last go";

    for (int crashAt : {static_cast<int>(kBatchFiles) + 1, files}) {
        SCOPED_TRACE(crashAt);
        fresh();
        fs_.CrashAtWrite(crashAt);
        ScriptedUser killed;
        RunUntilKilled(killed, folder);
        fs_.LosePower(1, false);
        Recover(fingerprint_);
        EXPECT_GE(expectEachWhole(), crashAt - 1) << "each file written before the kill";
        EXPECT_TRUE(journal_.records.empty());
    }
}

}  // namespace
