#include "engine/keystream_ahead.h"

#include <algorithm>
#include <cstring>

#include "crypto/rc4.h"
#include "crypto/wipe.h"
#include "engine/run_keystream.h"

namespace {

constexpr std::size_t kRingBytes = KeystreamAhead::kChunk * KeystreamAhead::kChunks;

}  // namespace

KeystreamAhead::KeystreamAhead(const KeyDigest& key, std::uint64_t from) : ring_(new std::uint8_t[kRingBytes]) {
    Rc4StateAt(key, from, {ring_.get(), kChunk}, start_);
    generator_ = std::thread(&KeystreamAhead::Generate, this);
}

KeystreamAhead::KeystreamAhead(const Rc4State& state) : ring_(new std::uint8_t[kRingBytes]), start_(state) {
    generator_ = std::thread(&KeystreamAhead::Generate, this);
}

KeystreamAhead::~KeystreamAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    generator_.join();
    SecureWipe(ring_.get(), kRingBytes);
}

void KeystreamAhead::Generate() {
    Rc4State state = start_;
    SecureWipe(start_);
    for (std::uint64_t chunk = 0;; ++chunk) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || chunk - taken_ < kChunks; });
            if (stopping_) break;
        }
        // The slot is free: the pass is done with it, and only this thread writes it.
        std::uint8_t* slot = ring_.get() + (chunk % kChunks) * kChunk;
        std::memset(slot, 0, kChunk);
        Rc4Crypt(slot, static_cast<std::int32_t>(kChunk), state);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            made_ = chunk + 1;
        }
        changed_.notify_all();
    }
    SecureWipe(state);
}

void KeystreamAhead::Apply(std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        std::uint64_t chunk;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return made_ > taken_; });
            chunk = taken_;
        }
        std::size_t n = std::min(length, kChunk - usedInChunk_);
        XorInto(data, ring_.get() + (chunk % kChunks) * kChunk + usedInChunk_, n);
        data += n;
        length -= n;
        usedInChunk_ += n;
        if (usedInChunk_ == kChunk) {
            usedInChunk_ = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                taken_ = chunk + 1;
            }
            changed_.notify_all();
        }
    }
}
