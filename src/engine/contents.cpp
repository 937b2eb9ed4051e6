#include "engine/contents.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "crypto/rc4.h"
#include "crypto/wipe.h"
#include "engine/run_user.h"

namespace {

void KeyFreshState(const KeyDigest& key, Rc4State& state) {
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(key, bytes);
    Rc4Init(bytes, sizeof bytes, state);
    SecureWipe(bytes);
}

}  // namespace

void KeystreamAt(const Keystream& keystream, std::uint64_t offset, Rc4State& state) {
    KeyFreshState(keystream.key, state);
    std::uint8_t* scratch = keystream.buffer.data();
    while (offset > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(offset, keystream.buffer.size()));
        std::memset(scratch, 0, n);
        Rc4Crypt(scratch, static_cast<std::int32_t>(n), state);
        offset -= n;
    }
}

FilePass::FilePass(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal)
    : file_(file), keystream_(keystream), journal_(journal) {}

bool FilePass::RecordStretch(std::uint64_t start, std::uint64_t end) {
    JournalRecord& record = *journal_.record;
    record.reached = start;
    record.stretchEnd = end;
    record.stretchHashes.clear();
    // Whole sectors per read: as many as the run's buffer holds, or one.
    std::uint8_t sector[kJournalSector];
    std::size_t perRead = keystream_.buffer.size() / kJournalSector * kJournalSector;
    std::uint8_t* buffer = perRead ? keystream_.buffer.data() : sector;
    if (!perRead) perRead = kJournalSector;
    for (std::uint64_t at = start; at < end;) {
        std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(perRead, end - at));
        std::size_t got = 0;
        if (file_.ReadAt(at, buffer, wanted, got) != FsStatus::Ok) return false;
        if (got == 0) break;
        for (std::size_t n = 0; n < got; n += kJournalSector)
            record.stretchHashes.push_back(SectorHash(buffer + n, std::min(kJournalSector, got - n)));
        at += got;
    }
    return journal_.store->Write(record);
}

PassEnd FilePass::Run(std::uint64_t from, std::uint64_t to, RunUser* user, std::uint64_t size, std::uint64_t& done) {
    Rc4State state;
    KeystreamAt(keystream_, from, state);
    std::uint8_t* buffer = keystream_.buffer.data();
    // With a journal, blocks are whole sectors: a run killed between two
    // writes then leaves no sector half written, and only a power failure can.
    std::size_t block = keystream_.buffer.size();
    if (journal_.store && block >= kJournalSector) block -= block % kJournalSector;
    done = from;
    PassEnd end = PassEnd::Done;
    bool atEnd = false;
    while (!atEnd && done < to && end == PassEnd::Done) {
        std::uint64_t stretchEnd = journal_.store ? std::min(to, done - done % kJournalSector + journal_.stretch) : to;
        if (journal_.store && !RecordStretch(done, stretchEnd)) {
            end = PassEnd::Failed;
            break;
        }
        while (done < stretchEnd) {
            std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(block, stretchEnd - done));
            std::size_t got = 0;
            if (file_.ReadAt(done, buffer, wanted, got) != FsStatus::Ok) {
                end = PassEnd::Failed;
                break;
            }
            if (got == 0) {
                atEnd = true;
                break;
            }
            Rc4Crypt(buffer, static_cast<std::int32_t>(got), state);
            std::size_t written = 0;
            bool wrote = file_.WriteAt(done, buffer, got, written) == FsStatus::Ok && written == got;
            done += written;
            if (!wrote) {
                end = PassEnd::Failed;
                break;
            }
            if (!user) continue;
            user->ShowProgress(done, size);
            // Past half way a Cancel waits for the file to be finished.
            if (done < to && done <= size / 2 && user->CancelledDuringFile()) {
                end = PassEnd::Cancelled;
                break;
            }
        }
        // A checkpoint: the stretch is on disk before the next one is recorded.
        if (journal_.store && end == PassEnd::Done && file_.Flush() != FsStatus::Ok) end = PassEnd::Failed;
    }
    SecureWipe(state);
    return end;
}

std::unique_ptr<ExclusiveFile> OpenForTransform(FileSystem& fileSystem, const PathString& path,
                                                ContentsResult& failure) {
    FsStatus status = FsStatus::Ok;
    std::unique_ptr<ExclusiveFile> file = fileSystem.OpenExclusive(path, status);
    if (!file) failure = status == FsStatus::NotFound ? ContentsResult::NotFound : ContentsResult::CannotOpen;
    return file;
}

bool RestorePass(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal, std::uint64_t done) {
    if (journal.record) {
        journal.record->restoring = true;
        journal.record->regionEnd = done;
    }
    std::uint64_t restored = 0;
    return FilePass(file, keystream, journal).Run(0, done, nullptr, 0, restored) == PassEnd::Done && restored == done &&
           file.Flush() == FsStatus::Ok;
}

ContentsResult TransformContents(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal,
                                 RunUser& user, FileTime& lastWrite, bool& cancelled) {
    // Nobody else can change the file while it is open: its length and time
    // are read here, exactly, rather than trusted from an earlier look.
    std::uint64_t length = 0;
    if (file.Size(length) != FsStatus::Ok || file.LastWrite(lastWrite) != FsStatus::Ok) return ContentsResult::Failed;
    if (journal.record) {
        journal.record->size = length;
        journal.record->lastWrite = lastWrite;
        journal.record->restoring = false;
        journal.record->regionEnd = length;
    }
    std::uint64_t done = 0;
    PassEnd end = FilePass(file, keystream, journal).Run(0, length, &user, length, done);
    // On disk before anything names the file as transformed: a flush that
    // fails is a write that failed.
    if (end == PassEnd::Done && file.Flush() != FsStatus::Ok) end = PassEnd::Failed;
    ContentsResult result = ContentsResult::Done;
    if (end != PassEnd::Done) {
        bool restored = RestorePass(file, keystream, journal, done);
        result = !restored                   ? ContentsResult::NotRestored
                 : end == PassEnd::Cancelled ? ContentsResult::Cancelled
                                             : ContentsResult::Failed;
    }
    file.SetLastWrite(lastWrite);
    // A Cancel seen past half way is honoured once the file is finished.
    cancelled = end == PassEnd::Cancelled || (result == ContentsResult::Done && user.CancelledDuringFile());
    return result;
}

bool UndoContents(FileSystem& fileSystem, const PathString& path, const Keystream& keystream,
                  const JournalContext& journal, const FileTime& lastWrite) {
    ContentsResult failure = ContentsResult::Failed;
    std::unique_ptr<ExclusiveFile> file = OpenForTransform(fileSystem, path, failure);
    if (!file) return false;
    std::uint64_t length = 0;
    bool ok = file->Size(length) == FsStatus::Ok && RestorePass(*file, keystream, journal, length);
    file->SetLastWrite(lastWrite);
    return ok;
}
