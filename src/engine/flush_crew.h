#pragma once
// The flushes of several files at once, on a few threads kept for the run,
// while the run goes on with other work. A disk takes a batch of small
// files' flushes together in little more than the time of one, where one
// after another each waits for the one before.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/file_system.h"

class FlushCrew {
public:
    FlushCrew() = default;
    ~FlushCrew();
    FlushCrew(const FlushCrew&) = delete;
    FlushCrew& operator=(const FlushCrew&) = delete;

    // Starts flushing every file, and returns at once. One batch at a time:
    // Wait for it before the next Start.
    void Start(std::vector<ExclusiveFile*> files);
    // Waits for the batch started last and returns each file's status.
    // Meanwhile it calls `turn` every kTurnMs, so that a slow disk never
    // keeps the user's window from answering.
    std::vector<FsStatus> Wait(const std::function<void()>& turn);

private:
    static constexpr int kHelpers = 4;
    static constexpr int kTurnMs = 20;
    void Serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ExclusiveFile*> files_;
    std::vector<FsStatus> results_;
    std::size_t next_ = 0;   // the next file to flush
    std::size_t ended_ = 0;  // flushes that have ended
    bool closing_ = false;
    std::vector<std::thread> helpers_;  // started by the first batch
};
