#include "engine/checkpoints.h"

#include <algorithm>

Checkpoints::Checkpoints(ExclusiveFile& file, const JournalContext& journal, BackgroundFlush* background)
    : file_(file), journal_(journal), flush_(background) {
    if (flush_) flush_->Begin(file);
}

Checkpoints::~Checkpoints() {
    if (flush_) flush_->End();
}

bool Checkpoints::Before(std::uint64_t start, std::uint64_t end, std::span<std::uint8_t> scratch) {
    std::vector<std::uint32_t> hashes;
    if (!HashSectors(start, end, scratch, hashes)) return false;
    if (flush_) {
        if (unflushed_.size() >= kUnflushedAtMost &&
            !flush_->WaitFor(unflushed_[unflushed_.size() - kUnflushedAtMost].flush))
            return false;
        std::uint64_t ended = flush_->Ended();
        while (!unflushed_.empty() && unflushed_.front().flush <= ended) unflushed_.pop_front();
    }
    JournalRecord& record = *journal_.record;
    record.reached = unflushed_.empty() ? start : unflushed_.front().start;
    record.stretchEnd = end;
    record.stretchHashes.clear();
    for (const Unflushed& stretch : unflushed_)
        record.stretchHashes.insert(record.stretchHashes.end(), stretch.hashes.begin(), stretch.hashes.end());
    record.stretchHashes.insert(record.stretchHashes.end(), hashes.begin(), hashes.end());
    current_ = {start, std::move(hashes), 0};
    return journal_.store->Write(record);
}

bool Checkpoints::After() {
    if (!flush_) return file_.Flush() == FsStatus::Ok;
    current_.flush = flush_->Ask();
    unflushed_.push_back(std::move(current_));
    return true;
}

bool Checkpoints::Finish() { return !flush_ || unflushed_.empty() || flush_->WaitFor(unflushed_.back().flush); }

bool Checkpoints::HashSectors(std::uint64_t start, std::uint64_t end, std::span<std::uint8_t> scratch,
                              std::vector<std::uint32_t>& hashes) {
    // Whole sectors per read: as many as the scratch holds, or one.
    std::uint8_t sector[kJournalSector];
    std::size_t perRead = scratch.size() / kJournalSector * kJournalSector;
    std::uint8_t* buffer = perRead ? scratch.data() : sector;
    if (!perRead) perRead = kJournalSector;
    for (std::uint64_t at = start; at < end;) {
        std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(perRead, end - at));
        std::size_t got = 0;
        if (file_.ReadAt(at, buffer, wanted, got) != FsStatus::Ok) return false;
        if (got == 0) break;
        for (std::size_t n = 0; n < got; n += kJournalSector)
            hashes.push_back(SectorHash(buffer + n, std::min(kJournalSector, got - n)));
        at += got;
    }
    return true;
}
