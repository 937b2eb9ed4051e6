#include "engine/run_keystream.h"

#include <algorithm>
#include <cstring>

#include "crypto/wipe.h"

RunKeystream::~RunKeystream() {
    for (auto& piece : pieces_) SecureWipe(piece.get(), kPiece);
    SecureWipe(state_);
}

void RunKeystream::MakeUpTo(std::uint64_t end) {
    if (pieces_.empty()) Rc4StateAt(key_, 0, {}, state_);
    while (pieces_.size() * std::uint64_t{kPiece} < end) {
        auto piece = std::make_unique<std::uint8_t[]>(kPiece);  // zeroed: RC4 over zeros is the keystream
        Rc4Crypt(piece.get(), static_cast<std::int32_t>(kPiece), state_);
        pieces_.push_back(std::move(piece));
    }
}

void RunKeystream::Apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) {
    MakeUpTo(offset + length);
    while (length > 0) {
        std::size_t inPiece = static_cast<std::size_t>(offset % kPiece);
        std::size_t n = std::min(length, kPiece - inPiece);
        XorInto(data, pieces_[static_cast<std::size_t>(offset / kPiece)].get() + inPiece, n);
        data += n;
        offset += n;
        length -= n;
    }
}

void Rc4StateAt(const KeyDigest& key, std::uint64_t offset, std::span<std::uint8_t> scratch, Rc4State& state) {
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(key, bytes);
    Rc4Init(bytes, sizeof bytes, state);
    SecureWipe(bytes);
    while (offset > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(offset, scratch.size()));
        std::memset(scratch.data(), 0, n);
        Rc4Crypt(scratch.data(), static_cast<std::int32_t>(n), state);
        offset -= n;
    }
}

void XorInto(std::uint8_t* data, const std::uint8_t* keystream, std::size_t length) {
    // Whole words, which the compiler turns into vector loads and stores.
    std::size_t n = 0;
    for (; n + 8 <= length; n += 8) {
        std::uint64_t word, key;
        std::memcpy(&word, data + n, 8);
        std::memcpy(&key, keystream + n, 8);
        word ^= key;
        std::memcpy(data + n, &word, 8);
    }
    for (; n < length; ++n) data[n] ^= keystream[n];
}
