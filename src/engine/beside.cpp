#include "engine/beside.h"

#include <chrono>
#include <utility>

namespace {

// Well within the 100 ms in which a window must answer.
constexpr std::chrono::milliseconds kTurnInterval{20};

}  // namespace

Beside::~Beside() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Beside::Run(const std::function<void()>& work, const std::function<void()>& turn) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!thread_.joinable()) thread_ = std::thread(&Beside::Serve, this);
    work_ = &work;
    failure_ = nullptr;
    changed_.notify_all();
    while (!changed_.wait_for(lock, kTurnInterval, [&] { return work_ == nullptr; })) {
        lock.unlock();
        turn();
        lock.lock();
    }
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void Beside::Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return work_ != nullptr || closing_; });
        if (closing_) return;
        lock.unlock();
        try {
            (*work_)();
        } catch (...) {
            failure_ = std::current_exception();
        }
        lock.lock();
        work_ = nullptr;
        changed_.notify_all();
    }
}
