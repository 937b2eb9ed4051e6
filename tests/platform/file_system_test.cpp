// The POSIX file system on real files: what it reports of each kind of
// entry, who may open a file, and that a rename never replaces.
#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "temp_folder.h"

namespace {

using vftest::ReadFile;
using vftest::TempFolder;
using vftest::WriteFile;

// A folder of one entry of each kind.
class FileSystemTest : public ::testing::Test {
protected:
    FileSystemTest() {
        WriteFile(temp_ / "file", "12345");
        WriteFile(temp_ / "readonly", "r");
        chmod((temp_ / "readonly").c_str(), 0444);
        mkdir((temp_ / "folder").c_str(), 0755);
        symlink("file", (temp_ / "link-to-file").c_str());
        symlink("folder", (temp_ / "link-to-folder").c_str());
        symlink("nowhere", (temp_ / "dangling").c_str());
        mkfifo((temp_ / "fifo").c_str(), 0644);
    }

    TempFolder temp_;
    PosixFileSystem fs_;
};

TEST_F(FileSystemTest, LookAndListDescribeEachEntryWithoutFollowingLinks) {
    struct Case {
        const char* name;
        bool folder;
        bool readOnly;
        std::uint32_t reparseTag;
        std::uint64_t size;
    };
    const Case cases[] = {
        {"file", false, false, 0, 5},
        {"readonly", false, true, 0, 1},
        {"folder", true, false, 0, 0},
        {"link-to-file", false, false, kReparseTagSymlink, 0},
        {"link-to-folder", false, false, kReparseTagSymlink, 0},
        {"dangling", false, false, kReparseTagSymlink, 0},
        {"fifo", false, false, 0, 0},
    };
    std::vector<ListedEntry> listed;
    ASSERT_EQ(fs_.List(temp_.path(), listed), FsStatus::Ok);
    ASSERT_EQ(listed.size(), std::size(cases)) << "no \".\" or \"..\"";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EntryFacts looked;
        ASSERT_EQ(fs_.Look(temp_ / c.name, looked), FsStatus::Ok);
        auto entry = std::find_if(listed.begin(), listed.end(), [&](const ListedEntry& e) { return e.name == c.name; });
        ASSERT_NE(entry, listed.end());
        for (const EntryFacts& facts : {looked, entry->facts}) {
            EXPECT_EQ(facts.folder, c.folder);
            EXPECT_EQ(facts.readOnly, c.readOnly);
            EXPECT_EQ(facts.reparseTag, c.reparseTag);
            if (!c.reparseTag) {
                EXPECT_EQ(facts.size, c.size);
            }
        }
    }
}

TEST_F(FileSystemTest, MissingAndUnlistableEntries) {
    EntryFacts facts;
    std::vector<ListedEntry> entries;
    EXPECT_EQ(fs_.Look(temp_ / "missing", facts), FsStatus::NotFound);
    EXPECT_EQ(fs_.Look(temp_ / "missing/below", facts), FsStatus::NotFound);
    EXPECT_EQ(fs_.List(temp_ / "missing", entries), FsStatus::NotFound);
    // Listed through, a link could lead the run out of the selection.
    EXPECT_EQ(fs_.List(temp_ / "link-to-folder", entries), FsStatus::Refused);
    EXPECT_EQ(fs_.List(temp_ / "file", entries), FsStatus::Refused);
    EXPECT_EQ(fs_.List(temp_ / "folder", entries), FsStatus::Ok);
    EXPECT_TRUE(entries.empty());
}

TEST_F(FileSystemTest, WithoutPermissionAFolderIsUnlistableAndAFileUnopenable) {
    if (geteuid() == 0) GTEST_SKIP() << "root lists and opens whatever the modes say";
    chmod((temp_ / "folder").c_str(), 0);
    std::vector<ListedEntry> entries;
    EXPECT_EQ(fs_.List(temp_ / "folder", entries), FsStatus::Refused);
    chmod((temp_ / "file").c_str(), 0400);
    FsStatus status = FsStatus::Ok;
    EXPECT_EQ(fs_.OpenExclusive(temp_ / "file", status), nullptr);
    EXPECT_EQ(status, FsStatus::Refused);
}

TEST_F(FileSystemTest, OnlyARegularFileNobodyHoldsOpensExclusively) {
    struct Case {
        const char* name;
        FsStatus status;
    };
    // A FIFO must neither open nor hold the call up waiting for a writer.
    for (const Case& c :
         {Case{"link-to-file", FsStatus::Refused}, Case{"folder", FsStatus::Refused}, Case{"fifo", FsStatus::Refused},
          Case{"missing", FsStatus::NotFound}, Case{"missing/below", FsStatus::NotFound}}) {
        SCOPED_TRACE(c.name);
        FsStatus status = FsStatus::Ok;
        EXPECT_EQ(fs_.OpenExclusive(temp_ / c.name, status), nullptr);
        EXPECT_EQ(status, c.status);
    }
    FsStatus status = FsStatus::Failed;
    {
        std::unique_ptr<ExclusiveFile> held = fs_.OpenExclusive(temp_ / "file", status);
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(fs_.OpenExclusive(temp_ / "file", status), nullptr);
        EXPECT_EQ(status, FsStatus::Refused);
    }
    // Another program of ours holds it, under the lock every one of them takes.
    int other = open((temp_ / "file").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(fs_.OpenExclusive(temp_ / "file", status), nullptr);
    EXPECT_EQ(status, FsStatus::Refused);
    close(other);
    EXPECT_NE(fs_.OpenExclusive(temp_ / "file", status), nullptr);
    EXPECT_EQ(ReadFile(temp_ / "file"), "12345");
}

TEST_F(FileSystemTest, AnOpenFileReadsWritesAndKeepsItsTimesExactly) {
    link((temp_ / "file").c_str(), (temp_ / "second-name").c_str());
    FsStatus status = FsStatus::Failed;
    std::unique_ptr<ExclusiveFile> file = fs_.OpenExclusive(temp_ / "file", status);
    ASSERT_NE(file, nullptr);

    const std::uint8_t bytes[] = {'a', 'b', 'c'};
    std::size_t done = 0;
    EXPECT_EQ(file->WriteAt(4, bytes, 3, done), FsStatus::Ok);
    EXPECT_EQ(done, 3u);
    std::uint8_t read[10] = {};
    EXPECT_EQ(file->ReadAt(2, read, sizeof read, done), FsStatus::Ok);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read), done), "34abc") << "short only at the end";
    std::uint64_t size = 0;
    EXPECT_EQ(file->Size(size), FsStatus::Ok);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(file->Flush(), FsStatus::Ok);

    std::uint32_t links = 0;
    FileIdentity identity, other;
    EXPECT_EQ(file->Links(links, identity), FsStatus::Ok);
    EXPECT_EQ(links, 2u);
    std::unique_ptr<ExclusiveFile> unrelated = fs_.OpenExclusive(temp_ / "readonly", status);
    ASSERT_NE(unrelated, nullptr) << "the mode is for the run to weigh, not for the open";
    EXPECT_EQ(unrelated->Links(links, other), FsStatus::Ok);
    EXPECT_NE(other, identity);

    // Nanoseconds, before 1970 as well, handed back unchanged; the access time stays.
    struct stat before;
    stat((temp_ / "file").c_str(), &before);
    for (std::int64_t ticks : {INT64_C(1700000000123456789), INT64_C(-1500000001), INT64_C(0)}) {
        SCOPED_TRACE(ticks);
        FileTime time{static_cast<std::uint64_t>(ticks)}, back;
        EXPECT_EQ(file->SetLastWrite(time), FsStatus::Ok);
        EXPECT_EQ(file->LastWrite(back), FsStatus::Ok);
        EXPECT_EQ(back.ticks, time.ticks);
        struct stat after;
        stat((temp_ / "file").c_str(), &after);
        EXPECT_EQ(std::int64_t{after.st_mtim.tv_sec} * 1000000000 + after.st_mtim.tv_nsec, ticks);
        EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
        EXPECT_EQ(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
    }
}

// Both ways: the system's own no-replace rename and the fallback for file
// systems that lack it.
TEST_F(FileSystemTest, ARenameNeverReplacesWhatItsTargetNames) {
    using RenameCall = FsStatus (*)(PosixFileSystem&, const PathString&, const PathString&);
    const std::pair<const char*, RenameCall> ways[] = {
        {"system",
         [](PosixFileSystem& fs, const PathString& from, const PathString& to) { return fs.Rename(from, to); }},
        {"link", [](PosixFileSystem&, const PathString& from, const PathString& to) { return RenameByLink(from, to); }},
    };
    for (const auto& [way, rename] : ways) {
        SCOPED_TRACE(way);
        WriteFile(temp_ / "from", way);
        for (const char* taken : {"file", "folder", "dangling", "link-to-file"}) {
            SCOPED_TRACE(taken);
            auto before = vftest::Snapshot(temp_.path());
            EXPECT_EQ(rename(fs_, temp_ / "from", temp_ / taken), FsStatus::Exists);
            EXPECT_EQ(vftest::Snapshot(temp_.path()), before);
        }
        EXPECT_EQ(rename(fs_, temp_ / "from", temp_ / "to"), FsStatus::Ok);
        EXPECT_EQ(ReadFile(temp_ / "from"), "<missing>");
        EXPECT_EQ(ReadFile(temp_ / "to"), way);
        struct stat status;
        ASSERT_EQ(stat((temp_ / "to").c_str(), &status), 0);
        EXPECT_EQ(status.st_nlink, 1u);
        unlink((temp_ / "to").c_str());
    }
}

TEST(ContainingFolder, OfEachFormOfPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/b/c", "/a/b"}, {"/a//c", "/a"}, {"/c", "/"}, {"c", "."}, {"a/c/", "a"}, {"/", "/"},
    };
    for (const auto& [path, folder] : cases) EXPECT_EQ(ContainingFolder(path), folder) << path;
}

}  // namespace
