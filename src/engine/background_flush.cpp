#include "engine/background_flush.h"

BackgroundFlush::~BackgroundFlush() {
    if (!flusher_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    flusher_.join();
}

void BackgroundFlush::Begin(ExclusiveFile& file) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!flusher_.joinable()) flusher_ = std::thread(&BackgroundFlush::Serve, this);
    file_ = &file;
    asked_ = ended_ = 0;
    failed_ = false;
}

void BackgroundFlush::End() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return ended_ >= asked_; });
    file_ = nullptr;
}

std::uint64_t BackgroundFlush::Ask() {
    std::uint64_t number;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = ++asked_;
    }
    changed_.notify_all();
    return number;
}

bool BackgroundFlush::WaitFor(std::uint64_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return ended_ >= count || failed_; });
    return !failed_;
}

std::uint64_t BackgroundFlush::Ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
}

void BackgroundFlush::Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return ended_ < asked_ || closing_; });
        if (ended_ == asked_) return;  // closing, with nothing left to flush
        // One flush covers every write before it, however many were asked for meanwhile.
        std::uint64_t covers = asked_;
        ExclusiveFile* file = file_;
        lock.unlock();
        bool ok = file->Flush() == FsStatus::Ok;
        lock.lock();
        ended_ = covers;
        failed_ = failed_ || !ok;
        changed_.notify_all();
    }
}
