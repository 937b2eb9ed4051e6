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

void FlushCrew::Start(std::vector<ExclusiveFile*> files) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (helpers_.empty())
            for (int n = 0; n < kHelpers; ++n) helpers_.emplace_back(&FlushCrew::Serve, this);
        files_ = std::move(files);
        results_.assign(files_.size(), FsStatus::Ok);
        next_ = ended_ = 0;
    }
    changed_.notify_all();
}

std::vector<FsStatus> FlushCrew::Wait(const std::function<void()>& turn) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(kTurnMs), [&] { return ended_ == files_.size(); })) {
        lock.unlock();
        turn();
        lock.lock();
    }
    files_.clear();
    next_ = ended_ = 0;
    return std::move(results_);
}

void FlushCrew::Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return closing_ || next_ < files_.size(); });
        if (closing_) return;
        std::size_t n = next_++;
        ExclusiveFile* file = files_[n];
        lock.unlock();
        FsStatus status = file->Flush();
        lock.lock();
        results_[n] = status;
        if (++ended_ == files_.size()) changed_.notify_all();
    }
}
