#pragma once
// A file system held in memory, for the engine's tests: it holds what a test
// machine cannot make (junctions, symbolic links, cloud placeholders, names
// outside the tree) and fails on request. Names compare without regard to
// ASCII case, as on Windows.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_system.h"

namespace vftest {

class FakeFileSystem final : public FileSystem {
public:
    // Paths are written with '/' and may hold any characters; each folder
    // above an entry must have been added first.
    void AddFolder(PathView path, std::uint32_t reparseTag = 0);
    void AddFile(PathView path, std::string bytes, std::uint32_t reparseTag = 0);
    // A second name of the file at `existing`.
    void AddHardLink(PathView existing, PathView path);
    // The file at `path` also has `count` names the fake does not hold.
    void AddOutsideNames(PathView path, std::uint32_t count);
    void SetReadOnly(PathView path);
    // Listing the folder fails as for a folder the user may not read.
    void MakeUnlistable(PathView path);
    // The `call`-th read (1-based) from now on fails; with `andAfter`, every
    // read from it on.
    void FailReadAt(int call, bool andAfter = false) {
        failingRead_ = readCalls_ + call;
        failReadsAfter_ = andAfter;
    }
    // The next `count` flushes fail.
    void FailFlushes(int count) { failingFlushes_ = count; }
    // The `call`-th write from now on (1-based) writes half its bytes and
    // fails, as on a full disk.
    void FailWriteAt(int call) { failingWrite_ = writeCalls_ + call; }

    // The run is killed: the `call`-th write from now on (1-based) throws
    // Crash before it writes; with `atRename`, the next rename does.
    struct Crash {};
    void CrashAtWrite(int call) { crashingWrite_ = writeCalls_ + call; }
    void CrashAtRename() { crashAtRename_ = true; }
    // After a crash, the power fails too: of each sector written since its
    // file was last flushed, a random half stays written (by `seed`); with
    // `tear`, one of them is left half old, half new.
    void LosePower(unsigned seed, bool tear);
    void FailRenames(bool fail) { failRenames_ = fail; }
    // Called before each write with its offset, on the writing thread: a
    // test may hold the write there, as a slow disk would.
    std::function<void(std::uint64_t offset)> beforeWrite;
    // Called before each flush, on the flushing thread.
    std::function<void()> beforeFlush;
    void SetMaxPathLength(std::size_t length) { maxPathLength_ = length; }

    bool Exists(PathView path) const;
    // The bytes of the file at `path`, or "<missing>".
    std::string Contents(PathView path) const;
    // Every entry with its contents, for comparing before and after a run.
    std::map<PathString, std::string> Snapshot() const;

    // FileSystem
    std::size_t MaxPathLength() const override { return maxPathLength_; }
    FsStatus Look(const PathString& path, EntryFacts& facts) override;
    FsStatus List(const PathString& folder, std::vector<ListedEntry>& entries) override;
    std::unique_ptr<ExclusiveFile> OpenExclusive(const PathString& path, FsStatus& status) override;
    FsStatus Rename(const PathString& from, const PathString& to) override;
    PathString FoldName(PathView name) const override;

private:
    class Handle;
    struct Data {
        std::string bytes;
        std::string durable;  // as of the last flush
        std::uint64_t file = 0;
        std::uint32_t outsideNames = 0;
        std::uint64_t lastWrite = 0;
        bool open = false;
    };
    struct Node {
        PathString path;  // as spelled when added
        bool folder = false;
        bool readOnly = false;
        bool unlistable = false;
        std::uint32_t reparseTag = 0;
        std::shared_ptr<Data> data;  // files only; shared by hard links
    };

    static PathString Native(PathView path);
    Node* Find(PathView path);
    const Node* Find(PathView path) const;
    void Add(Node node);
    std::uint32_t Links(const Data& data) const;

    std::map<PathString, Node> nodes_;  // by folded path
    std::uint64_t nextFile_ = 1;
    std::size_t maxPathLength_ = 32767;
    int readCalls_ = 0;
    int failingRead_ = 0;
    bool failReadsAfter_ = false;
    int failingFlushes_ = 0;
    int writeCalls_ = 0;
    int crashingWrite_ = 0;
    int failingWrite_ = 0;
    bool crashAtRename_ = false;
    bool failRenames_ = false;
};

}  // namespace vftest
