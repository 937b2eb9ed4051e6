#pragma once
// The keystream of a long pass, generated on a second thread a few chunks
// ahead of the pass that XORs it in: RC4 then runs while the pass reads,
// writes and flushes, rather than in turn with them.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "crypto/rc4.h"
#include "crypto/sha1.h"

class KeystreamAhead {
public:
    // Starts generating from byte `from` of the key's keystream.
    KeystreamAhead(const KeyDigest& key, std::uint64_t from);
    // Starts generating from `state`, which is where some earlier generation
    // stopped: nothing before it is made again.
    explicit KeystreamAhead(const Rc4State& state);
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
    void Generate();

    std::unique_ptr<std::uint8_t[]> ring_;
    Rc4State start_{};  // where generating starts; wiped once the generator has it
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t made_ = 0;   // chunks generated, counted from the start
    std::uint64_t taken_ = 0;  // chunks wholly applied
    bool stopping_ = false;
    std::size_t usedInChunk_ = 0;  // bytes applied of chunk `taken_`
    std::thread generator_;
};
