#include "engine/contents.h"

#include <algorithm>
#include <memory>

#include "crypto/rc4.h"
#include "crypto/wipe.h"
#include "engine/run_user.h"

namespace {

constexpr std::uint64_t kWholeFile = ~0ULL;

struct BlockPass {
    std::uint64_t limit;  // transform bytes [0, limit), or up to the end of the file if sooner
    RunUser* progress;    // shown the percentage after each block, when given
    std::uint64_t progressSize;
};

void KeyFreshState(const KeyDigest& key, Rc4State& state) {
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(key, bytes);
    Rc4Init(bytes, sizeof bytes, state);
    SecureWipe(bytes);
}

// Reads, transforms and writes back block after block from offset 0. `done`
// receives how many bytes were transformed and are on disk; a write that
// stopped short counts only the bytes it wrote. False when a call failed.
bool TransformBlocks(ExclusiveFile& file, const Keystream& keystream, const BlockPass& pass, std::uint64_t& done) {
    Rc4State state;
    KeyFreshState(keystream.key, state);
    std::uint8_t* buffer = keystream.buffer.data();
    done = 0;
    bool ok = true;
    while (ok && done < pass.limit) {
        std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(keystream.buffer.size(), pass.limit - done));
        std::size_t got = 0;
        ok = file.ReadAt(done, buffer, wanted, got) == FsStatus::Ok;
        if (!ok || got == 0) break;
        Rc4Crypt(buffer, static_cast<std::int32_t>(got), state);
        std::size_t written = 0;
        ok = file.WriteAt(done, buffer, got, written) == FsStatus::Ok && written == got;
        done += written;
        if (pass.progress) pass.progress->ShowProgress(done, pass.progressSize);
    }
    SecureWipe(state);
    return ok;
}

}  // namespace

std::unique_ptr<ExclusiveFile> OpenForTransform(FileSystem& fileSystem, const PathString& path,
                                                ContentsResult& failure) {
    FsStatus status = FsStatus::Ok;
    std::unique_ptr<ExclusiveFile> file = fileSystem.OpenExclusive(path, status);
    if (!file) failure = status == FsStatus::NotFound ? ContentsResult::NotFound : ContentsResult::CannotOpen;
    return file;
}

ContentsResult TransformContents(ExclusiveFile& file, const Keystream& keystream, RunUser& user, FileTime& lastWrite) {
    // Nobody else can change the file while it is open: its length and time
    // are read here, exactly, rather than trusted from an earlier look.
    std::uint64_t length = 0;
    if (file.Size(length) != FsStatus::Ok || file.LastWrite(lastWrite) != FsStatus::Ok) return ContentsResult::Failed;
    std::uint64_t done = 0;
    bool ok = TransformBlocks(file, keystream, {length, &user, length}, done);
    if (!ok) {
        // The keystream restarts from a fresh state, so a second pass over the
        // same bytes puts them back as they were.
        std::uint64_t restored = 0;
        TransformBlocks(file, keystream, {done, nullptr, 0}, restored);
    }
    file.SetLastWrite(lastWrite);
    return ok ? ContentsResult::Done : ContentsResult::Failed;
}

bool UndoContents(FileSystem& fileSystem, const PathString& path, const Keystream& keystream,
                  const FileTime& lastWrite) {
    ContentsResult failure = ContentsResult::Failed;
    std::unique_ptr<ExclusiveFile> file = OpenForTransform(fileSystem, path, failure);
    if (!file) return false;
    std::uint64_t done = 0;
    bool ok = TransformBlocks(*file, keystream, {kWholeFile, nullptr, 0}, done);
    file->SetLastWrite(lastWrite);
    return ok;
}
