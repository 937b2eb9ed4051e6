#include "fileproc/folder_names.h"

#include <windows.h>

std::string FolderNames::Key(const char* name) {
    std::string key = name;
    if (!key.empty()) CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

void FolderNames::Add(const char* name) { names_.insert(Key(name)); }

bool FolderNames::Contains(const char* name) const { return names_.count(Key(name)) != 0; }
