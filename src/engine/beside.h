#pragma once
// Work that may block on the disk for a long time, kept off the thread whose
// window must keep answering. One thread serves a whole run: starting a
// thread can cost milliseconds, more than a file of a few MiB takes.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class Beside {
public:
    Beside() = default;
    ~Beside();
    Beside(const Beside&) = delete;
    Beside& operator=(const Beside&) = delete;

    // Runs `work` on the second thread, and meanwhile calls `turn` on this
    // one every few milliseconds until the work is over. An exception the
    // work throws is thrown again here.
    void Run(const std::function<void()>& work, const std::function<void()>& turn);

private:
    void Serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* work_ = nullptr;  // the work in hand, until it is over
    std::exception_ptr failure_;
    bool closing_ = false;
    std::thread thread_;  // started by the first Run
};
