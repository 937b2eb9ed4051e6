#include "engine/contents.h"

#include <algorithm>
#include <memory>

#include "crypto/rc4.h"
#include "crypto/wipe.h"
#include "engine/run_user.h"

namespace {

constexpr std::uint64_t kWholeFile = ~0ULL;

// How a pass over the file ended.
enum class PassEnd { Done, Failed, Cancelled };

struct BlockPass {
    std::uint64_t limit;  // transform bytes [0, limit), or up to the end of the file if sooner
    RunUser* user;        // shown the progress after each block, and asked for a Cancel; may be null
    std::uint64_t size;   // the whole file, for the progress and for "more than half done"
};

void KeyFreshState(const KeyDigest& key, Rc4State& state) {
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(key, bytes);
    Rc4Init(bytes, sizeof bytes, state);
    SecureWipe(bytes);
}

// Reads, transforms and writes back block after block from offset 0. `done`
// receives how many bytes were transformed and are on disk; a write that
// stopped short counts only the bytes it wrote. A Cancel is taken while at
// most half the file is done; past that, the file is finished first.
PassEnd TransformBlocks(ExclusiveFile& file, const Keystream& keystream, const BlockPass& pass, std::uint64_t& done) {
    Rc4State state;
    KeyFreshState(keystream.key, state);
    std::uint8_t* buffer = keystream.buffer.data();
    done = 0;
    PassEnd end = PassEnd::Done;
    while (done < pass.limit) {
        std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(keystream.buffer.size(), pass.limit - done));
        std::size_t got = 0;
        if (file.ReadAt(done, buffer, wanted, got) != FsStatus::Ok) {
            end = PassEnd::Failed;
            break;
        }
        if (got == 0) break;
        Rc4Crypt(buffer, static_cast<std::int32_t>(got), state);
        std::size_t written = 0;
        bool wrote = file.WriteAt(done, buffer, got, written) == FsStatus::Ok && written == got;
        done += written;
        if (!wrote) {
            end = PassEnd::Failed;
            break;
        }
        if (!pass.user) continue;
        pass.user->ShowProgress(done, pass.size);
        if (done < pass.limit && done <= pass.size / 2 && pass.user->CancelledDuringFile()) {
            end = PassEnd::Cancelled;
            break;
        }
    }
    SecureWipe(state);
    return end;
}

// Puts the first `done` bytes back as they were: the keystream restarts from
// a fresh state, so a second pass over the same bytes undoes the first.
bool Restore(ExclusiveFile& file, const Keystream& keystream, std::uint64_t done) {
    std::uint64_t restored = 0;
    return TransformBlocks(file, keystream, {done, nullptr, 0}, restored) == PassEnd::Done && restored == done &&
           file.Flush() == FsStatus::Ok;
}

}  // namespace

std::unique_ptr<ExclusiveFile> OpenForTransform(FileSystem& fileSystem, const PathString& path,
                                                ContentsResult& failure) {
    FsStatus status = FsStatus::Ok;
    std::unique_ptr<ExclusiveFile> file = fileSystem.OpenExclusive(path, status);
    if (!file) failure = status == FsStatus::NotFound ? ContentsResult::NotFound : ContentsResult::CannotOpen;
    return file;
}

ContentsResult TransformContents(ExclusiveFile& file, const Keystream& keystream, RunUser& user, FileTime& lastWrite,
                                 bool& cancelled) {
    // Nobody else can change the file while it is open: its length and time
    // are read here, exactly, rather than trusted from an earlier look.
    std::uint64_t length = 0;
    if (file.Size(length) != FsStatus::Ok || file.LastWrite(lastWrite) != FsStatus::Ok) return ContentsResult::Failed;
    std::uint64_t done = 0;
    PassEnd end = TransformBlocks(file, keystream, {length, &user, length}, done);
    // On disk before anything names the file as transformed: a flush that
    // fails is a write that failed.
    if (end == PassEnd::Done && file.Flush() != FsStatus::Ok) end = PassEnd::Failed;
    ContentsResult result = ContentsResult::Done;
    if (end != PassEnd::Done)
        result = Restore(file, keystream, done) ? ContentsResult::Failed : ContentsResult::NotRestored;
    if (end == PassEnd::Cancelled && result == ContentsResult::Failed) result = ContentsResult::Cancelled;
    file.SetLastWrite(lastWrite);
    // A Cancel seen past half way is honoured once the file is finished.
    cancelled = end == PassEnd::Cancelled || (result == ContentsResult::Done && user.CancelledDuringFile());
    return result;
}

bool UndoContents(FileSystem& fileSystem, const PathString& path, const Keystream& keystream,
                  const FileTime& lastWrite) {
    ContentsResult failure = ContentsResult::Failed;
    std::unique_ptr<ExclusiveFile> file = OpenForTransform(fileSystem, path, failure);
    if (!file) return false;
    std::uint64_t done = 0;
    bool ok = TransformBlocks(*file, keystream, {kWholeFile, nullptr, 0}, done) == PassEnd::Done &&
              file->Flush() == FsStatus::Ok;
    file->SetLastWrite(lastWrite);
    return ok;
}
