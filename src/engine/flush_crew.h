#pragma once
// The flushes of several files at once, on a few threads kept for the run.
// A disk takes a batch of small files' flushes together in little more than
// the time of one, where one after another each waits for the one before.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "engine/file_system.h"

class FlushCrew {
public:
    FlushCrew() = default;
    ~FlushCrew();
    FlushCrew(const FlushCrew&) = delete;
    FlushCrew& operator=(const FlushCrew&) = delete;

    // Flushes every file; returns once all have ended, with each one's
    // status. Meanwhile the calling thread calls `turn` every kTurnMs, so
    // that a slow disk never keeps the user's window from answering.
    std::vector<FsStatus> FlushAll(std::span<ExclusiveFile* const> files, const std::function<void()>& turn);

private:
    static constexpr int kHelpers = 4;
    static constexpr int kTurnMs = 20;
    // Takes the next file of the batch in hand, if any, and flushes it.
    bool FlushNext(std::unique_lock<std::mutex>& lock);
    void Serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::span<ExclusiveFile* const> files_;
    std::vector<FsStatus> results_;
    std::size_t next_ = 0;   // the next file to flush
    std::size_t ended_ = 0;  // flushes that have ended
    bool closing_ = false;
    std::vector<std::thread> helpers_;  // started by the first batch
};
