#pragma once
// The engine's file system on Linux and macOS: names are bytes, handed to the
// system as they came from a listing, never converted. A link is described,
// never followed; an open file is held under an exclusive advisory lock
// (flock), which every run and tool of ours takes, so none of them reads or
// changes a file another is transforming.
#include "engine/file_system.h"

class PosixFileSystem final : public FileSystem {
public:
    std::size_t MaxPathLength() const override;
    FsStatus Look(const PathString& path, EntryFacts& facts) override;
    FsStatus List(const PathString& folder, std::vector<ListedEntry>& entries) override;
    std::unique_ptr<ExclusiveFile> OpenExclusive(const PathString& path, FsStatus& status) override;
    FsStatus Rename(const PathString& from, const PathString& to) override;
    PathString FoldName(PathView name) const override;
};

// Rename's way where the system cannot refuse a taken name itself: a second
// name made with link(), which never replaces, then the first one removed.
FsStatus RenameByLink(const PathString& from, const PathString& to);

// The folder that holds `path`'s entry: "." for a bare name.
std::string ContainingFolder(const std::string& path);

// Makes what was written to `fd` durable: its data and size.
bool SyncFile(int fd);

// Makes the entries of `folder` (names made, renamed, deleted) durable.
bool SyncFolder(const std::string& folder);

// A last-write time as FileTime ticks and back: signed nanoseconds since
// 1970 in two's complement, exact from 1678 to 2262.
bool TicksOf(std::int64_t seconds, long nanoseconds, std::uint64_t& ticks);
void TimeOf(std::uint64_t ticks, std::int64_t& seconds, long& nanoseconds);
