#include "fileproc/walker.h"

#include <new>
#include <string>
#include <vector>

#include "fileproc/encrypted_name.h"
#include "fileproc/prompts.h"
#include "fileproc/transform.h"
#include "resource.h"
#include "shell/state.h"
#include "shell/texts.h"

namespace {

constexpr char kAllEntries[] = "*.*";

bool IsFolder(const WIN32_FIND_DATAA& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// Covers ".", ".." and every other folder whose name begins with a dot.
bool IsDotName(const char* name) { return name[0] == '.'; }

std::string ChildPath(const char* folder, const char* name) { return std::string(folder) + "\\" + name; }

class FolderSearch {
public:
    explicit FolderSearch(const char* folder)
        : handle_(FindFirstFileA(ChildPath(folder, kAllEntries).c_str(), &entry_)) {}
    ~FolderSearch() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

    // Calls visit(entry) for each entry in search order until it returns 0;
    // returns that 0, or 1 when every entry was visited.
    template <typename Visit>
    int ForEach(Visit visit) {
        if (handle_ == INVALID_HANDLE_VALUE) return 1;  // cannot be searched: passed over
        do {
            if (!visit(entry_)) return 0;
        } while (FindNextFileA(handle_, &entry_));
        return 1;
    }

private:
    WIN32_FIND_DATAA entry_;
    HANDLE handle_;
};

// A path that would not fit is reported rather than passed over: a file
// skipped in silence would stay unencrypted without anyone knowing.
int ProcessEntry(const std::string& path, bool folder, int encrypt) {
    if (path.size() > static_cast<size_t>(kMaxPathLength))
        return g_bCancel ? 0 : AskToGoOn(IDS_PATH_TOO_LONG, path.c_str());
    return folder ? WalkDirectory(path.c_str(), encrypt) : TransformFile(path.c_str(), encrypt);
}

// The folder's files are all gathered before the first is transformed, so
// the new names never come back to this search.
std::vector<std::string> GatherFiles(const char* folder) {
    std::vector<std::string> files;
    FolderSearch(folder).ForEach([&](const WIN32_FIND_DATAA& entry) {
        if (!IsFolder(entry)) files.push_back(ChildPath(folder, entry.cFileName));
        return 1;
    });
    return files;
}

int TransformFiles(const std::vector<std::string>& files, int encrypt) {
    for (const std::string& file : files)
        if (!ProcessEntry(file, false, encrypt)) return 0;
    return 1;
}

int WalkSubfolders(const char* folder, int encrypt) {
    return FolderSearch(folder).ForEach([&](const WIN32_FIND_DATAA& entry) {
        if (!IsFolder(entry) || IsDotName(entry.cFileName)) return 1;
        return ProcessEntry(ChildPath(folder, entry.cFileName), true, encrypt);
    });
}

int WalkFolderTree(const char* folder, int encrypt) {
    PumpMessages();
    if (g_bCancel) return 0;
    if (ChildPath(folder, kAllEntries).size() > static_cast<size_t>(kMaxPathLength))
        return AskToGoOn(IDS_PATH_TOO_LONG, folder);  // its entries cannot be listed
    if (!TransformFiles(GatherFiles(folder), encrypt)) return 0;
    return WalkSubfolders(folder, encrypt);
}

}  // namespace

int WalkPath(const char* path, int encrypt) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return AskToGoOn(IDS_PATH_NOT_FOUND, path);
    FindClose(search);
    if (!IsFolder(found)) return TransformFile(path, encrypt);
    return IsDotName(found.cFileName) ? 1 : WalkDirectory(path, encrypt);
}

int WalkDirectory(const char* path, int encrypt) {
    try {
        return WalkFolderTree(path, encrypt);
    } catch (const std::bad_alloc&) {
        // The file lists are the only allocations of a walk.
        ShowMessage(g_hwndOwner, kMemoryAllocationError, kStyleFailure);
        return 0;
    }
}
