#include "fileproc/file_contents.h"

#include <algorithm>
#include <cstdint>

#include "common/state.h"
#include "crypto/rc4.h"
#include "crypto/wipe.h"
#include "fileproc/file_progress.h"

namespace {

constexpr ULONGLONG kWholeFile = ~0ULL;

struct BlockPass {
    ULONGLONG limit;  // transform bytes [0, limit), or up to the end of the file if sooner
    bool showProgress;
    ULONGLONG progressSize;
};

ContentsResult OpenFailure(DWORD error) {
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? ContentsResult::NotFound : ContentsResult::CannotOpen;
}

HANDLE OpenExclusive(const char* path) {
    // No sharing: nobody else may read or write the file while it is half transformed.
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool SeekTo(HANDLE file, ULONGLONG offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != FALSE;
}

void KeyFreshState(Rc4State& state) {
    std::uint8_t key[kKeyDigestBytes];
    KeyDigestToBytes(g_Key, key);
    Rc4Init(key, sizeof key, state);
    SecureWipe(key);
}

// Reads, transforms and writes back block after block from offset 0. `done`
// receives how many bytes were transformed and are on disk; a write that
// stopped short counts only the bytes it wrote. False when a call failed.
bool TransformBlocks(HANDLE file, const BlockPass& pass, ULONGLONG& done) {
    Rc4State state;
    KeyFreshState(state);
    done = 0;
    bool ok = SeekTo(file, 0);
    while (ok && done < pass.limit) {
        DWORD wanted = static_cast<DWORD>(std::min<ULONGLONG>(kIoBufferSize, pass.limit - done));
        DWORD got = 0;
        ok = ReadFile(file, g_pBuffer, wanted, &got, nullptr) != FALSE;
        if (!ok || got == 0) break;
        Rc4Crypt(g_pBuffer, static_cast<std::int32_t>(got), state);
        DWORD written = 0;
        ok = SeekTo(file, done) && WriteFile(file, g_pBuffer, got, &written, nullptr) && written == got;
        done += written;
        if (pass.showProgress) ShowProgressPercent(done, pass.progressSize);
    }
    SecureWipe(state);
    return ok;
}

}  // namespace

ContentsResult TransformContents(const char* path, FILETIME& lastWrite) {
    HANDLE file = OpenExclusive(path);
    if (file == INVALID_HANDLE_VALUE) return OpenFailure(GetLastError());
    // Nobody else can change the file while it is open: its length and time
    // are read here, exactly, rather than trusted from an earlier look-up.
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || !GetFileTime(file, nullptr, nullptr, &lastWrite)) {
        CloseHandle(file);
        return ContentsResult::Failed;
    }
    ULONGLONG length = static_cast<ULONGLONG>(size.QuadPart);
    ULONGLONG done = 0;
    bool ok = TransformBlocks(file, {length, true, length}, done);
    if (!ok) {
        // The keystream restarts from a fresh state, so a second pass over the
        // same bytes puts them back as they were.
        ULONGLONG restored = 0;
        TransformBlocks(file, {done, false, 0}, restored);
    }
    SetFileTime(file, nullptr, nullptr, &lastWrite);
    CloseHandle(file);
    return ok ? ContentsResult::Done : ContentsResult::Failed;
}

bool UndoContents(const char* path, const FILETIME& lastWrite) {
    HANDLE file = OpenExclusive(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    ULONGLONG done = 0;
    bool ok = TransformBlocks(file, {kWholeFile, false, 0}, done);
    SetFileTime(file, nullptr, nullptr, &lastWrite);
    CloseHandle(file);
    return ok;
}
