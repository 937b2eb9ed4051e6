#include "fileproc/walker.h"

#include <new>
#include <string>
#include <vector>

#include "common/state.h"
#include "common/texts.h"
#include "fileproc/encrypted_name.h"
#include "fileproc/folder_names.h"
#include "fileproc/prompts.h"
#include "fileproc/transform.h"
#include "resource.h"

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
int ReportTooLong(const std::string& path) { return g_bCancel ? 0 : AskToGoOn(IDS_PATH_TOO_LONG, path.c_str()); }

bool TooLong(const std::string& path) { return path.size() > static_cast<size_t>(kMaxPathLength); }

struct ListedFile {
    std::string path;
    DWORD attributes;
};

struct FolderListing {
    std::vector<ListedFile> files;  // in search order
    FolderNames names;              // every entry, files and folders
};

// The folder's files are all gathered before the first is transformed, so
// the new names never come back to this search.
FolderListing GatherFiles(const char* folder) {
    FolderListing listing;
    FolderSearch(folder).ForEach([&](const WIN32_FIND_DATAA& entry) {
        listing.names.Add(entry.cFileName);
        if (!IsFolder(entry)) listing.files.push_back({ChildPath(folder, entry.cFileName), entry.dwFileAttributes});
        return 1;
    });
    return listing;
}

int TransformFiles(const FolderListing& listing, int encrypt) {
    for (const ListedFile& file : listing.files) {
        int goOn = TooLong(file.path) ? ReportTooLong(file.path)
                                      : TransformListedFile(file.path.c_str(), file.attributes, encrypt, listing.names);
        if (!goOn) return 0;
    }
    return 1;
}

int WalkSubfolders(const char* folder, int encrypt) {
    return FolderSearch(folder).ForEach([&](const WIN32_FIND_DATAA& entry) {
        if (!IsFolder(entry) || IsDotName(entry.cFileName)) return 1;
        std::string path = ChildPath(folder, entry.cFileName);
        return TooLong(path) ? ReportTooLong(path) : WalkDirectory(path.c_str(), encrypt);
    });
}

int WalkFolderTree(const char* folder, int encrypt) {
    PumpMessages();
    if (g_bCancel) return 0;
    if (TooLong(ChildPath(folder, kAllEntries))) return AskToGoOn(IDS_PATH_TOO_LONG, folder);  // cannot be listed
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
