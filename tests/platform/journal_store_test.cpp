// The POSIX journal store on real files: records survive their run, a torn
// record reads as none, and a live run's pair is nobody else's.
#include "platform/posix_journal_store.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "temp_folder.h"

namespace {

using vftest::ReadFile;
using vftest::TempFolder;
using vftest::WriteFile;

JournalRecord RecordOf(const char* path, std::uint64_t reached) {
    JournalRecord record;
    record.path = path;
    record.newName = record.path + ".$#!";
    record.size = 1 << 20;
    record.lastWrite.ticks = 1700000000123456789;
    record.fingerprint.h[0] = 0x5eed;
    record.regionEnd = 1 << 20;
    record.reached = reached;
    record.stretchEnd = reached + 8192;
    record.stretchHashes = {7, 8};
    return record;
}

class JournalStoreTest : public ::testing::Test {
protected:
    TempFolder temp_;
    // Below folders that do not exist yet.
    std::string folder_ = temp_ / "state/veilfold/journal";

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        if (DIR* listing = opendir(folder_.c_str())) {
            while (const dirent* entry = readdir(listing))
                if (entry->d_name[0] != '.') names.push_back(entry->d_name);
            closedir(listing);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string FileOf(char which) const {
        for (const std::string& name : Files())
            if (name.ends_with(std::string(".") + which + ".vfj")) return folder_ + "/" + name;
        return "";
    }
};

TEST_F(JournalStoreTest, AnEndedRunsNewestRecordReadsBackAndItsPairIsPrivate) {
    {
        PosixJournalStore store(folder_);
        ASSERT_TRUE(store.Write(RecordOf("/data/one", 4096)));
        ASSERT_TRUE(store.Write(RecordOf("/data/one", 12288)));
    }  // ended with the file in hand
    struct stat status;
    ASSERT_EQ(stat(folder_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    for (const char* parent : {"/state", "/state/veilfold"}) {
        ASSERT_EQ(stat((temp_.path() + parent).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u) << parent;
    }
    ASSERT_EQ(Files().size(), 2u);
    for (const std::string& name : Files()) {
        ASSERT_EQ(stat((folder_ + "/" + name).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u) << name;
    }

    PosixJournalStore next(folder_);
    std::vector<JournalRecord> unfinished = next.Unfinished();
    ASSERT_EQ(unfinished.size(), 1u);
    EXPECT_EQ(EncodeRecord(unfinished[0]), EncodeRecord([] {
                  JournalRecord newest = RecordOf("/data/one", 12288);
                  newest.sequence = 2;
                  return newest;
              }()));
    // This run's record of the file supersedes the ended run's pair.
    std::vector<std::string> ended = Files();
    ASSERT_TRUE(next.Write(RecordOf("/data/one", 0)));
    std::vector<std::string> now = Files();
    EXPECT_EQ(now.size(), 2u);
    for (const std::string& name : ended) EXPECT_EQ(std::count(now.begin(), now.end(), name), 0) << name;
    next.Clear("/data/one");
}

// An ended run that had several files in hand: each record comes back, one
// taken over or made whole goes from the pair, and the pair goes with the last.
TEST_F(JournalStoreTest, AnEndedRunsRecordsGoOneByOneAndThePairWithTheLast) {
    {
        PosixJournalStore store(folder_);
        const JournalRecord set[] = {RecordOf("/data/one", 4096), RecordOf("/data/two", 0),
                                     RecordOf("/data/three", 8192)};
        ASSERT_TRUE(store.WriteAll(set));
    }
    auto paths = [](const std::vector<JournalRecord>& records) {
        std::vector<PathString> found;
        for (const JournalRecord& record : records) found.push_back(record.path);
        std::sort(found.begin(), found.end());
        return found;
    };
    {
        PosixJournalStore next(folder_);
        EXPECT_EQ(paths(next.Unfinished()), (std::vector<PathString>{"/data/one", "/data/three", "/data/two"}));
        ASSERT_TRUE(next.Write(RecordOf("/data/two", 0)));  // taken over by this run
        next.Clear("/data/two");
        next.Clear("/data/one");  // made whole
    }
    {
        PosixJournalStore later(folder_);
        std::vector<JournalRecord> left = later.Unfinished();
        ASSERT_EQ(paths(left), (std::vector<PathString>{"/data/three"}));
        EXPECT_EQ(EncodeRecord(left[0]), EncodeRecord([&] {
                      JournalRecord expected = RecordOf("/data/three", 8192);
                      expected.sequence = left[0].sequence;
                      return expected;
                  }()));
        later.Clear("/data/three");
    }
    EXPECT_TRUE(Files().empty());
}

// The power cut the newest record's write short: the one before it stands;
// cut both, and the pair holds nothing and goes.
TEST_F(JournalStoreTest, ARecordCutShortReadsAsNone) {
    const struct {
        const char* name;
        bool cutOlder;
        std::optional<std::uint64_t> reached;
    } cases[] = {{"newest cut", false, 4096}, {"both cut", true, std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            PosixJournalStore store(folder_);
            ASSERT_TRUE(store.Write(RecordOf("/data/one", 4096)));   // to the pair's first file
            ASSERT_TRUE(store.Write(RecordOf("/data/one", 12288)));  // to its second
        }
        std::string newest = FileOf('b'), older = FileOf('a');
        ASSERT_EQ(truncate(newest.c_str(), 100), 0);
        if (c.cutOlder) {
            ASSERT_EQ(truncate(older.c_str(), 0), 0);
        }

        PosixJournalStore next(folder_);
        std::vector<JournalRecord> unfinished = next.Unfinished();
        if (c.reached) {
            ASSERT_EQ(unfinished.size(), 1u);
            EXPECT_EQ(unfinished[0].reached, *c.reached);
            next.Clear("/data/one");
        } else {
            EXPECT_TRUE(unfinished.empty());
        }
        EXPECT_TRUE(Files().empty());
    }
}

TEST_F(JournalStoreTest, ALiveRunsPairIsNotAnotherRunsToFinish) {
    auto live = std::make_unique<PosixJournalStore>(folder_);
    ASSERT_TRUE(live->Write(RecordOf("/data/live", 4096)));
    std::vector<std::string> files = Files();

    PosixJournalStore other(folder_);
    EXPECT_TRUE(other.Unfinished().empty());
    EXPECT_EQ(Files(), files) << "untouched";
    other.Clear("/data/live");
    EXPECT_EQ(Files(), files);

    live.reset();  // the run ends with the file in hand
    PosixJournalStore next(folder_);
    ASSERT_EQ(next.Unfinished().size(), 1u);
    // While this run finishes the file, the pair is not a third run's either.
    EXPECT_TRUE(PosixJournalStore(folder_).Unfinished().empty());
    next.Clear("/data/live");
    EXPECT_TRUE(Files().empty());
}

// A run killed after its file was whole, or before its first record.
TEST_F(JournalStoreTest, AClearedOrEmptyPairIsDeletedByTheNextRun) {
    std::string a, b;
    {
        PosixJournalStore store(folder_);
        ASSERT_TRUE(store.Write(RecordOf("/data/one", 4096)));
        store.Clear("/data/one");
        a = ReadFile(FileOf('a'));
        b = ReadFile(FileOf('b'));
    }
    EXPECT_TRUE(Files().empty()) << "a run that ends whole takes its pair with it";
    // What the run would have left, had it been killed right after the clear.
    WriteFile(folder_ + "/cleared.a.vfj", a);
    WriteFile(folder_ + "/cleared.b.vfj", b);
    WriteFile(folder_ + "/empty.a.vfj", "");
    WriteFile(folder_ + "/empty.b.vfj", "");
    PosixJournalStore next(folder_);
    EXPECT_TRUE(next.Unfinished().empty());
    EXPECT_TRUE(Files().empty());
}

TEST(DefaultJournalFolder, FollowsXdgStateHomeAndFallsBackToHome) {
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    };
    Saved saved[] = {{"XDG_STATE_HOME", {}}, {"HOME", {}}};
    for (Saved& one : saved)
        if (const char* value = std::getenv(one.name)) one.value = value;

    setenv("HOME", "/home/someone", 1);
    setenv("XDG_STATE_HOME", "/var/state", 1);
    EXPECT_EQ(DefaultJournalFolder(), "/var/state/veilfold/journal");
    setenv("XDG_STATE_HOME", "relative/state", 1);  // to be ignored
    EXPECT_EQ(DefaultJournalFolder(), "/home/someone/.local/state/veilfold/journal");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(DefaultJournalFolder(), "/home/someone/.local/state/veilfold/journal");

    for (const Saved& one : saved) {
        if (one.value)
            setenv(one.name, one.value->c_str(), 1);
        else
            unsetenv(one.name);
    }
}

}  // namespace
