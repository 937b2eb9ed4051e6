#include "engine/checkpoints.h"

#include <algorithm>

Checkpoints::Checkpoints(ExclusiveFile& file, const JournalContext& journal, BackgroundFlush* background)
    : file_(file), journal_(journal), flush_(background) {
    if (flush_) flush_->Begin(file);
}

Checkpoints::~Checkpoints() {
    if (flush_) flush_->End();
}

bool Checkpoints::Before(std::uint64_t start, std::span<const std::uint8_t> bytes) {
    std::uint64_t end = start + bytes.size();
    std::vector<std::uint32_t> hashes = SectorHashes(bytes);
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
