#pragma once
// What the engine needs of a file system, and nothing more. Implemented for
// Win32 and POSIX (platform/win32_file_system, platform/posix_file_system)
// and by a fake one in the tests, which
// can hold what a test machine cannot make: junctions, symbolic links, cloud
// placeholders, faults.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/path_text.h"

enum class FsStatus {
    Ok,
    NotFound,  // no such file or folder (any more)
    Refused,   // exists, but cannot be opened or listed: in use, access denied
    Exists,    // a rename found its target name taken
    Failed,    // any other failure, part-way through
};

// Which file a name leads to: two hard links of one file share it.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// Reparse tags a file system reports, in Windows' numbering. Only a name
// surrogate (a symbolic link, a junction) leads somewhere else; others, such
// as a cloud placeholder's, are ordinary files and folders.
inline constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003;
inline constexpr std::uint32_t kReparseTagSymlink = 0xA000000C;
inline constexpr std::uint32_t kReparseTagCloud = 0x9000001A;
inline constexpr bool IsLinkTag(std::uint32_t tag) { return (tag & 0x20000000) != 0; }

struct EntryFacts {
    bool folder = false;
    bool readOnly = false;
    std::uint32_t reparseTag = 0;  // 0: not a reparse point
    std::uint64_t size = 0;
};

struct ListedEntry {
    PathString name;
    EntryFacts facts;
};

// A last-write time in the file system's own units, handed back unchanged.
struct FileTime {
    std::uint64_t ticks = 0;
};

// A file opened for reading and writing with no sharing: nobody else can
// read or change it until it is closed (when the object goes).
class ExclusiveFile {
public:
    virtual ~ExclusiveFile() = default;
    virtual FsStatus Size(std::uint64_t& size) = 0;
    virtual FsStatus ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t wanted, std::size_t& got) = 0;
    // `written` counts the bytes on disk even when the call fails part-way.
    virtual FsStatus WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                             std::size_t& written) = 0;
    virtual FsStatus Flush() = 0;
    // How many names the file has and, when more than one, its identity.
    virtual FsStatus Links(std::uint32_t& links, FileIdentity& identity) = 0;
    virtual FsStatus LastWrite(FileTime& time) = 0;
    virtual FsStatus SetLastWrite(const FileTime& time) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The longest path the file system takes, in characters.
    virtual std::size_t MaxPathLength() const = 0;

    // The entry itself; a link is described, not followed.
    virtual FsStatus Look(const PathString& path, EntryFacts& facts) = 0;

    // Every entry of `folder` but "." and "..", in the file system's order.
    // Ok with no entries for an empty folder.
    virtual FsStatus List(const PathString& folder, std::vector<ListedEntry>& entries) = 0;

    virtual std::unique_ptr<ExclusiveFile> OpenExclusive(const PathString& path, FsStatus& status) = 0;

    // Renames; Exists when `to` is taken, which is never replaced.
    virtual FsStatus Rename(const PathString& from, const PathString& to) = 0;

    // `name` as the file system compares names: two names that fold to the
    // same text name the same entry.
    virtual PathString FoldName(PathView name) const = 0;
};
