#pragma once
// Work that may block on the disk for a long time, kept off the thread whose
// window must keep answering.
#include <functional>

// Runs `work` on a second thread, and meanwhile calls `turn` on this one
// every few milliseconds until the work is over. An exception the work
// throws is thrown again here, once its thread has ended.
void RunBeside(const std::function<void()>& work, const std::function<void()>& turn);
