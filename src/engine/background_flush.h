#pragma once
// The checkpoint flushes of a long pass, taken one after another on a thread
// of their own: the pass reads, records and writes its next stretch while
// the disk takes the last one. One thread serves a whole run, file after file.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/file_system.h"

class BackgroundFlush {
public:
    BackgroundFlush() = default;
    ~BackgroundFlush();
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    // Flushes `file` from now on, counting from 0 again.
    void Begin(ExclusiveFile& file);
    // Waits for every flush asked for, whatever came of them, and lets the
    // file go: none outlives the pass.
    void End();

    // Asks for one more flush, of everything written so far; returns its
    // number, counted from 1.
    std::uint64_t Ask();
    // Waits until the first `count` flushes have ended; false if any failed.
    bool WaitFor(std::uint64_t count);
    // How many flushes have ended, without waiting.
    std::uint64_t Ended();

private:
    void Serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    ExclusiveFile* file_ = nullptr;
    std::uint64_t asked_ = 0;
    std::uint64_t ended_ = 0;
    bool failed_ = false;
    bool closing_ = false;
    std::thread flusher_;  // started by the first Begin
};
