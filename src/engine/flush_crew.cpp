#include "engine/flush_crew.h"

#include <chrono>

FlushCrew::~FlushCrew() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
}

std::vector<FsStatus> FlushCrew::FlushAll(std::span<ExclusiveFile* const> files, const std::function<void()>& turn) {
    if (files.empty()) return {};
    std::unique_lock<std::mutex> lock(mutex_);
    if (helpers_.empty())
        for (int n = 0; n < kHelpers; ++n) helpers_.emplace_back(&FlushCrew::Serve, this);
    files_ = files;
    results_.assign(files.size(), FsStatus::Ok);
    next_ = ended_ = 0;
    changed_.notify_all();
    while (!changed_.wait_for(lock, std::chrono::milliseconds(kTurnMs), [&] { return ended_ == files_.size(); })) {
        lock.unlock();
        turn();
        lock.lock();
    }
    files_ = {};
    return std::move(results_);
}

bool FlushCrew::FlushNext(std::unique_lock<std::mutex>& lock) {
    if (next_ >= files_.size()) return false;
    std::size_t n = next_++;
    ExclusiveFile* file = files_[n];
    lock.unlock();
    FsStatus status = file->Flush();
    lock.lock();
    results_[n] = status;
    if (++ended_ == files_.size()) changed_.notify_all();
    return true;
}

void FlushCrew::Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return closing_ || next_ < files_.size(); });
        if (closing_) return;
        FlushNext(lock);
    }
}
