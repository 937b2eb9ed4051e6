#include "engine/file_batch.h"

#include <algorithm>
#include <iterator>

#include "engine/run_user.h"

bool FileBatch::Holds(const PathString& folded) const {
    return std::find(folded_.begin(), folded_.end(), folded) != folded_.end() ||
           std::find(flyingFolded_.begin(), flyingFolded_.end(), folded) != flyingFolded_.end();
}

ContentsResult FileBatch::Add(FileJob job, PathString folded, std::unique_ptr<ExclusiveFile> file,
                              JournalRecord record) {
    BatchedFile entry{std::move(job), std::move(file), {}, {}, std::move(record)};
    // Nobody else can change the file while it is open: what is read here
    // is what gets transformed.
    std::uint64_t size = 0;
    if (entry.file->Size(size) != FsStatus::Ok || entry.file->LastWrite(entry.lastWrite) != FsStatus::Ok)
        return ContentsResult::Failed;
    entry.bytes.resize(static_cast<std::size_t>(size));
    std::size_t have = 0;
    if (!ReadWhole(*entry.file, 0, entry.bytes.data(), entry.bytes.size(), have)) return ContentsResult::Failed;
    entry.bytes.resize(have);

    // The whole file is one stretch in flight, each sector's hash taken
    // before anything is written.
    JournalRecord& r = entry.record;
    r.size = have;
    r.lastWrite = entry.lastWrite;
    r.restoring = false;
    r.regionEnd = r.stretchEnd = have;
    r.reached = 0;
    r.stretchHashes = SectorHashes(entry.bytes);

    bytes_ += have;
    files_.push_back(std::move(entry));
    folded_.push_back(std::move(folded));
    return ContentsResult::Done;
}

namespace {

// What a file comes to when its write or flush failed: put back and
// flushed, or, when even that fails, left part transformed.
ContentsResult PutBack(BatchedFile& entry, const Keystream& keystream, const JournalContext& journal,
                       std::uint64_t written, RunUser& user) {
    return RestorePass(*entry.file, keystream, journal.For(entry.record), written, &user) ? ContentsResult::Failed
                                                                                          : ContentsResult::NotRestored;
}

}  // namespace

bool FileBatch::Start(const Keystream& keystream, const JournalContext& journal, FlushCrew& crew, RunUser& user) {
    std::size_t taken = files_.size();
    bool recorded = true;
    if (journal.store) {
        std::vector<JournalRecord> records;
        for (const BatchedFile& entry : files_) records.push_back(entry.record);
        recorded = journal.store->WriteAll(records);
    }
    // Without its record no file may change: each fails as a failed write would, whole.
    if (!recorded)
        for (BatchedFile& entry : files_) entry.result = ContentsResult::Failed;

    std::vector<ExclusiveFile*> toFlush;
    bool clean = recorded;
    for (std::size_t n = 0; recorded && n < files_.size(); ++n) {
        BatchedFile& entry = files_[n];
        keystream.run.Apply(0, entry.bytes.data(), entry.bytes.size());
        std::size_t written = 0;
        if (entry.bytes.empty() ||
            (entry.file->WriteAt(0, entry.bytes.data(), entry.bytes.size(), written) == FsStatus::Ok &&
             written == entry.bytes.size())) {
            toFlush.push_back(entry.file.get());
            std::vector<std::uint8_t>().swap(entry.bytes);
            continue;
        }
        entry.result = PutBack(entry, keystream, journal, written, user);
        taken = n + 1;
        clean = false;
        break;
    }
    // The files after a failed write are left as they were, for the run to
    // take up again once the user has heard of the failure.
    if (journal.store)
        for (std::size_t n = taken; n < files_.size(); ++n) journal.store->Clear(files_[n].record.path);

    // On disk before anything names them as transformed.
    crew.Start(std::move(toFlush));
    auto end = files_.begin() + static_cast<std::ptrdiff_t>(taken);
    flying_.assign(std::make_move_iterator(files_.begin()), std::make_move_iterator(end));
    files_.erase(files_.begin(), end);
    flyingFolded_.assign(folded_.begin(), folded_.begin() + static_cast<std::ptrdiff_t>(taken));
    folded_.erase(folded_.begin(), folded_.begin() + static_cast<std::ptrdiff_t>(taken));
    bytes_ = 0;
    for (const BatchedFile& entry : files_) bytes_ += entry.bytes.size();
    return clean;
}

std::vector<BatchedFile> FileBatch::Land(const Keystream& keystream, const JournalContext& journal, FlushCrew& crew,
                                         RunUser& user) {
    // A flush that fails is a write that failed.
    std::vector<FsStatus> flushed = crew.Wait([&] { user.CancelledDuringFile(); });
    std::size_t f = 0;
    for (BatchedFile& entry : flying_) {
        if (entry.result != ContentsResult::Done) continue;  // never written, or put back already
        if (flushed[f++] != FsStatus::Ok) entry.result = PutBack(entry, keystream, journal, entry.record.size, user);
    }
    std::vector<BatchedFile> landed = std::move(flying_);
    flying_.clear();
    flyingFolded_.clear();
    for (BatchedFile& entry : landed) {
        entry.file->SetLastWrite(entry.lastWrite);
        entry.file.reset();  // a file open without sharing cannot be renamed
    }
    return landed;
}

void FileBatch::Drop() {
    files_.clear();
    folded_.clear();
    bytes_ = 0;
}
