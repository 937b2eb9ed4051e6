#pragma once
// The names a folder search listed, for answering "is this name taken?"
// without asking the file system again for every file of the folder.
#include <string>
#include <unordered_set>

class FolderNames {
public:
    void Add(const char* name);
    // Compared without regard to case, as the file system compares names.
    bool Contains(const char* name) const;

private:
    static std::string Key(const char* name);
    std::unordered_set<std::string> names_;
};
