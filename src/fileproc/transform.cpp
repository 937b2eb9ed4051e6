#include "fileproc/transform.h"

#include "fileproc/encrypted_name.h"
#include "fileproc/file_contents.h"
#include "fileproc/progress.h"
#include "fileproc/prompts.h"
#include "resource.h"
#include "shell/state.h"

namespace {

bool FindFile(const char* path, WIN32_FIND_DATAA& found) {
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

ULONGLONG FoundSize(const WIN32_FIND_DATAA& found) {
    return (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// Transforms the contents and gives the file its new name; whatever fails
// leaves the file with its old contents under its old name, and is reported.
int TransformAndRename(const char* path, const char* suffix, int encrypt, const WIN32_FIND_DATAA& found) {
    // Windows refuses to open a read-only file for writing; not every host
    // does (Wine running as root), and the answer must not depend on that.
    if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return AskToGoOn(IDS_CANNOT_OPEN, path);
    switch (TransformContents(path, found.ftLastWriteTime, FoundSize(found))) {
    case ContentsResult::CannotOpen:
        return AskToGoOn(IDS_CANNOT_OPEN, path);
    case ContentsResult::Failed:
        return AskToGoOn(IDS_CANNOT_TRANSFORM, path);
    case ContentsResult::Done:
        break;
    }
    if (MoveToTransformedName(path, suffix, encrypt)) return 1;
    // Transformed contents under the old name would be taken for the wrong kind of file.
    if (!UndoContents(path, found.ftLastWriteTime)) return AskToGoOn(IDS_CANNOT_TRANSFORM, path);
    return AskToGoOn(IDS_CANNOT_RENAME, path);
}

}  // namespace

int TransformFile(const char* path, int encrypt) {
    PumpMessages();
    if (g_bCancel) return 0;
    ShowProgressFile(path);

    WIN32_FIND_DATAA found;
    if (!FindFile(path, found)) return AskToGoOn(IDS_PATH_NOT_FOUND, path);

    char suffix[kSuffixLength + 1];
    TakeSuffix(path, suffix);
    int answer = ConfirmTransform(path, suffix, encrypt);
    if (answer == IDNO) return 1;
    if (answer != IDYES) return 0;  // Cancel, or a box that could not be shown

    if (CheckTransformedName(path, suffix, encrypt) == NewNameCheck::Blocked)
        return AskToGoOn(IDS_CANNOT_RENAME, path);
    return TransformAndRename(path, suffix, encrypt, found);
}

int ConfirmTransform(const char* path, const char* suffix, int encrypt) {
    bool marked = IsMarkedSuffix(suffix);
    if (encrypt && marked) return ShowPathPrompt(IDS_ALREADY_ENCRYPTED, path, kStyleConfirm);
    if (!encrypt && !marked) return ShowPathPrompt(IDS_NOT_ENCRYPTED, path, kStyleConfirm);
    return IDYES;
}
