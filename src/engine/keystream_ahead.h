#pragma once
// The keystream of a long pass, generated on a second thread a few chunks
// ahead of the pass that XORs it in: RC4 then runs while the pass reads,
// writes and flushes, rather than in turn with them.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "crypto/sha1.h"

class KeystreamAhead {
public:
    // Starts generating from byte `from` of the key's keystream. The key is
    // read by reference (no copy of it is left behind), so it must outlive
    // this object.
    KeystreamAhead(const KeyDigest& key, std::uint64_t from);
    // Stops the generator and wipes what it made.
    ~KeystreamAhead();
    KeystreamAhead(const KeystreamAhead&) = delete;
    KeystreamAhead& operator=(const KeystreamAhead&) = delete;

    // XORs the next `length` bytes of keystream into `data`, waiting for
    // them if the generator is behind.
    void Apply(std::uint8_t* data, std::size_t length);

    // How far ahead the generator may run: enough to cover a checkpoint's
    // flush of a whole stretch.
    static constexpr std::size_t kChunk = 1u << 20;
    static constexpr std::size_t kChunks = 16;

private:
    void Generate(const KeyDigest* key, std::uint64_t from);

    std::unique_ptr<std::uint8_t[]> ring_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t made_ = 0;   // chunks generated, counted from the start
    std::uint64_t taken_ = 0;  // chunks wholly applied
    bool stopping_ = false;
    std::size_t usedInChunk_ = 0;  // bytes applied of chunk `taken_`
    std::thread generator_;
};
