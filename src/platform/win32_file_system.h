#pragma once
// The engine's file system on Win32: wide names throughout, never converted
// to a code page, and every path handed to the system in its extended form
// (\\?\C:\..., \\?\UNC\server\share\...), which reaches past MAX_PATH up to
// the system's limit and takes each name literally.
#include "engine/file_system.h"

class Win32FileSystem final : public FileSystem {
public:
    std::size_t MaxPathLength() const override;
    FsStatus Look(const PathString& path, EntryFacts& facts) override;
    FsStatus List(const PathString& folder, std::vector<ListedEntry>& entries) override;
    std::unique_ptr<ExclusiveFile> OpenExclusive(const PathString& path, FsStatus& status) override;
    FsStatus Rename(const PathString& from, const PathString& to) override;
    PathString FoldName(PathView name) const override;
};

// `path` in the extended form the system takes past MAX_PATH: a drive path
// gains \\?\, a share's \\server\share gains \\?\UNC\; a path already in that
// form, or one that is neither, is left as it is.
std::wstring ExtendedPath(std::wstring_view path);
