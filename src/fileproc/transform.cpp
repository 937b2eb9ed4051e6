#include "fileproc/transform.h"

#include "common/state.h"
#include "fileproc/encrypted_name.h"
#include "fileproc/file_contents.h"
#include "fileproc/file_progress.h"
#include "fileproc/prompts.h"
#include "resource.h"

namespace {

// Every file starts here: the progress window gets its turn (and its Cancel
// button with it), then the file is shown. False when the run is cancelled.
bool StartFile(const char* path) {
    PumpMessages();
    if (g_bCancel) return false;
    ShowProgressFile(path);
    return true;
}

// Transforms the contents and gives the file its new name; whatever fails
// leaves the file with its old contents under its old name, and is reported.
int TransformAndRename(const char* path, const char* suffix, int encrypt) {
    FILETIME lastWrite;
    switch (TransformContents(path, lastWrite)) {
    case ContentsResult::NotFound: return AskToGoOn(IDS_PATH_NOT_FOUND, path);
    case ContentsResult::CannotOpen: return AskToGoOn(IDS_CANNOT_OPEN, path);
    case ContentsResult::Failed: return AskToGoOn(IDS_CANNOT_TRANSFORM, path);
    case ContentsResult::Done: break;
    }
    if (MoveToTransformedName(path, suffix, encrypt)) return 1;
    // Transformed contents under the old name would be taken for the wrong kind of file.
    if (!UndoContents(path, lastWrite)) return AskToGoOn(IDS_CANNOT_TRANSFORM, path);
    return AskToGoOn(IDS_CANNOT_RENAME, path);
}

// The file exists with `attributes`; `names`, when given, lists its folder.
int TransformFound(const char* path, DWORD attributes, int encrypt, const FolderNames* names) {
    char suffix[kSuffixLength + 1];
    TakeSuffix(path, suffix);
    int answer = ConfirmTransform(path, suffix, encrypt);
    if (answer == IDNO) return 1;
    if (answer != IDYES) return 0;  // Cancel, or a box that could not be shown

    if (CheckTransformedName(path, suffix, encrypt, names) == NewNameCheck::Blocked)
        return AskToGoOn(IDS_CANNOT_RENAME, path);
    // Windows refuses to open a read-only file for writing; not every host
    // does (Wine running as root), and the answer must not depend on that.
    if (attributes & FILE_ATTRIBUTE_READONLY) return AskToGoOn(IDS_CANNOT_OPEN, path);
    return TransformAndRename(path, suffix, encrypt);
}

}  // namespace

int TransformFile(const char* path, int encrypt) {
    if (!StartFile(path)) return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return AskToGoOn(IDS_PATH_NOT_FOUND, path);
    return TransformFound(path, attributes, encrypt, nullptr);
}

int TransformListedFile(const char* path, DWORD attributes, int encrypt, const FolderNames& names) {
    if (!StartFile(path)) return 0;
    return TransformFound(path, attributes, encrypt, &names);
}

int ConfirmTransform(const char* path, const char* suffix, int encrypt) {
    bool marked = IsMarkedSuffix(suffix);
    if (encrypt && marked) return ShowPathPrompt(IDS_ALREADY_ENCRYPTED, path, kStyleConfirm);
    if (!encrypt && !marked) return ShowPathPrompt(IDS_NOT_ENCRYPTED, path, kStyleConfirm);
    return IDYES;
}
