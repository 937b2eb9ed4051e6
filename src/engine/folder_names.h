#pragma once
// The names a folder listing found, for answering "is this name taken?"
// without asking the file system again for every file of the folder.
#include <string>
#include <unordered_set>

#include "engine/file_system.h"

class FolderNames {
public:
    explicit FolderNames(const FileSystem& fileSystem) : fileSystem_(&fileSystem) {}
    void Add(PathView name) { names_.insert(fileSystem_->FoldName(name)); }
    // Compared as the file system compares names.
    bool Contains(PathView name) const { return names_.count(fileSystem_->FoldName(name)) != 0; }

private:
    const FileSystem* fileSystem_;
    std::unordered_set<PathString> names_;
};
