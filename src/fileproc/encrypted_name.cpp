#include "fileproc/encrypted_name.h"

#include <cstring>

#include "fileproc/folder_names.h"

namespace {

enum class NameChange { None, Changed, Impossible };

// The new name for Encrypt on an unmarked file (suffix appended) or Decrypt
// on a marked one (suffix removed); None when the name stays.
NameChange TransformedName(const char* path, const char* suffix, int encrypt, char (&newName)[MAX_PATH]) {
    bool marked = IsMarkedSuffix(suffix);
    int length = lstrlenA(path);
    if (encrypt && !marked) {
        if (length + kSuffixLength > kMaxPathLength) return NameChange::Impossible;
        wsprintfA(newName, "%s%s", path, kEncryptedSuffix);
        return NameChange::Changed;
    }
    if (!encrypt && marked) {
        if (length <= kSuffixLength) return NameChange::Impossible;  // nothing would be left
        lstrcpynA(newName, path, length - kSuffixLength + 1);
        return NameChange::Changed;
    }
    return NameChange::None;
}

// Any entry of that name, file or folder, would make the move fail.
bool NameTaken(const char* newName, const FolderNames* listed) {
    if (!listed) return GetFileAttributesA(newName) != INVALID_FILE_ATTRIBUTES;
    const char* separator = std::strrchr(newName, '\\');
    return listed->Contains(separator ? separator + 1 : newName);
}

}  // namespace

void TakeSuffix(const char* path, char (&suffix)[kSuffixLength + 1]) {
    int length = lstrlenA(path);
    lstrcpyA(suffix, length > kSuffixLength ? path + length - kSuffixLength : path);
}

bool IsMarkedSuffix(const char* suffix) { return lstrcmpiA(suffix, kEncryptedSuffix) == 0; }

NewNameCheck CheckTransformedName(const char* path, const char* suffix, int encrypt, const FolderNames* listed) {
    char newName[MAX_PATH];
    switch (TransformedName(path, suffix, encrypt, newName)) {
    case NameChange::None: return NewNameCheck::Unchanged;
    case NameChange::Impossible: return NewNameCheck::Blocked;
    case NameChange::Changed: break;
    }
    return NameTaken(newName, listed) ? NewNameCheck::Blocked : NewNameCheck::Free;
}

bool MoveToTransformedName(const char* path, const char* suffix, int encrypt) {
    char newName[MAX_PATH];
    switch (TransformedName(path, suffix, encrypt, newName)) {
    case NameChange::None: return true;
    case NameChange::Impossible: return false;
    case NameChange::Changed: break;
    }
    return MoveFileA(path, newName) != FALSE;
}
