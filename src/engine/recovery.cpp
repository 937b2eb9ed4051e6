#include "engine/recovery.h"

#include <algorithm>
#include <memory>

#include "crypto/wipe.h"

namespace {

enum class SectorState { Before, After, Torn };

// Reads each sector of the stretch in flight in turn and applies the
// keystream to it: `visit(index, offset, hashAsRead, transformed, length)`
// sees the hash of the sector as it is on disk and its bytes transformed.
// False when a read fails or `visit` does.
template <typename Visit>
bool ForEachSectorInFlight(ExclusiveFile& file, const Keystream& keystream, const JournalRecord& record, Visit visit) {
    Rc4State state;
    KeystreamAt(keystream, record.reached, state);
    std::uint8_t sector[kJournalSector];
    bool ok = true;
    std::uint64_t at = record.reached;
    for (std::size_t n = 0; ok && n < record.stretchHashes.size(); ++n) {
        std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kJournalSector, record.stretchEnd - at));
        std::size_t got = 0;
        ok = file.ReadAt(at, sector, length, got) == FsStatus::Ok && got == length;
        if (!ok) break;
        std::uint32_t hashAsRead = SectorHash(sector, length);
        Rc4Crypt(sector, static_cast<std::int32_t>(length), state);
        ok = visit(n, at, hashAsRead, sector, length);
        at += length;
    }
    SecureWipe(state);
    SecureWipe(sector);
    return ok;
}

// Which state each sector of the stretch in flight is in: as it was before
// the pass wrote it (its hash matches), already transformed (the hash matches
// once the keystream is applied again), or neither.
bool ClassifyStretch(ExclusiveFile& file, const Keystream& keystream, const JournalRecord& record,
                     std::vector<SectorState>& states) {
    return ForEachSectorInFlight(
        file, keystream, record,
        [&](std::size_t n, std::uint64_t, std::uint32_t hashAsRead, const std::uint8_t* after, std::size_t length) {
            std::uint32_t before = record.stretchHashes[n];
            states.push_back(hashAsRead == before                  ? SectorState::Before
                             : SectorHash(after, length) == before ? SectorState::After
                                                                   : SectorState::Torn);
            return true;
        });
}

// Transforms the sectors of the stretch still as they were, and flushes.
bool FinishStretch(ExclusiveFile& file, const Keystream& keystream, const JournalRecord& record,
                   const std::vector<SectorState>& states) {
    return ForEachSectorInFlight(
               file, keystream, record,
               [&](std::size_t n, std::uint64_t at, std::uint32_t, const std::uint8_t* after, std::size_t length) {
                   std::size_t written = 0;
                   return states[n] != SectorState::Before ||
                          (file.WriteAt(at, after, length, written) == FsStatus::Ok && written == length);
               }) &&
           file.Flush() == FsStatus::Ok;
}

// The record of a pass that finished and a name that changed: the crash came
// between the rename and the clearing of the record.
bool RenamedAlready(FileSystem& fileSystem, const JournalRecord& record) {
    if (record.restoring || record.newName.empty()) return false;
    EntryFacts facts;
    return fileSystem.Look(record.newName, facts) == FsStatus::Ok && !facts.folder && facts.size == record.size;
}

}  // namespace

bool FinishedAlready(FileSystem& fileSystem, const JournalRecord& record) {
    EntryFacts facts;
    return RenamedAlready(fileSystem, record) && fileSystem.Look(record.path, facts) == FsStatus::NotFound;
}

Recovery RecoverFile(FileSystem& fileSystem, JournalStore& store, const Keystream& keystream, JournalRecord record,
                     RunUser& user) {
    FsStatus status = FsStatus::Ok;
    std::unique_ptr<ExclusiveFile> file = fileSystem.OpenExclusive(record.path, status);
    if (!file && status != FsStatus::NotFound) return Recovery::Failed;
    if (!file) {
        store.Clear(record.path);
        return RenamedAlready(fileSystem, record) ? Recovery::Completed : Recovery::Missing;
    }
    std::uint64_t size = 0;
    if (file->Size(size) != FsStatus::Ok) return Recovery::Failed;
    std::uint64_t expectedHashes = (record.stretchEnd - record.reached + kJournalSector - 1) / kJournalSector;
    if (size != record.size || record.stretchEnd > record.regionEnd || record.regionEnd > size ||
        record.stretchHashes.size() != expectedHashes) {
        store.Clear(record.path);
        return Recovery::Changed;
    }

    std::vector<SectorState> states;
    if (!ClassifyStretch(*file, keystream, record, states)) return Recovery::Failed;
    if (std::find(states.begin(), states.end(), SectorState::Torn) != states.end()) {
        store.Clear(record.path);
        return Recovery::Torn;
    }
    if (!FinishStretch(*file, keystream, record, states)) return Recovery::Failed;

    // The rest of the pass, journaled as the pass itself was.
    JournalContext journal{&store, &record};
    std::uint64_t done = 0;
    if (FilePass(*file, keystream, journal).Run(record.stretchEnd, record.regionEnd, PassWatch{&user}, done) !=
            PassEnd::Done ||
        done != record.regionEnd || file->Flush() != FsStatus::Ok)
        return Recovery::Failed;
    file->SetLastWrite(record.lastWrite);
    file.reset();
    if (!record.restoring && !record.newName.empty() && fileSystem.Rename(record.path, record.newName) != FsStatus::Ok)
        return Recovery::Failed;
    store.Clear(record.path);
    return Recovery::Completed;
}
