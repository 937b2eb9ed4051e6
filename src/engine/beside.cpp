#include "engine/beside.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// Well within the 100 ms in which a window must answer.
constexpr std::chrono::milliseconds kTurnInterval{20};

}  // namespace

void RunBeside(const std::function<void()>& work, const std::function<void()>& turn) {
    std::mutex mutex;
    std::condition_variable over;
    bool finished = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        over.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    while (!over.wait_for(lock, kTurnInterval, [&] { return finished; })) {
        lock.unlock();
        turn();
        lock.lock();
    }
    lock.unlock();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}
