#pragma once
// The keystream of a run. Every file starts at byte 0 of the same RC4
// keystream (one key, no IV: that is the format), so a run makes it once, as
// far as its longest file needs up to kRunKeystreamCap, and from then on
// only XORs. It lives in memory only, and is wiped with the run.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "crypto/rc4.h"
#include "crypto/sha1.h"

// How much of the keystream a run keeps; past it, a long file's keystream is
// made as the file goes (engine/keystream_ahead.h), in 16 MiB more at most.
inline constexpr std::uint64_t kRunKeystreamCap = 48u << 20;

class RunKeystream {
public:
    // `key` must outlive this object.
    explicit RunKeystream(const KeyDigest& key) : key_(key) {}
    ~RunKeystream();
    RunKeystream(const RunKeystream&) = delete;
    RunKeystream& operator=(const RunKeystream&) = delete;

    const KeyDigest& key() const { return key_; }
    // How much is made so far, and the RC4 state where it ends.
    std::uint64_t Made() const { return pieces_.size() * std::uint64_t{kPiece}; }
    const Rc4State& StateAtEnd() const { return state_; }
    // XORs keystream bytes [offset, offset + length) into `data`, making
    // them first if no file of the run has needed them yet. The range must
    // end at or before kRunKeystreamCap.
    void Apply(std::uint64_t offset, std::uint8_t* data, std::size_t length);

    // Made in whole pieces of this many bytes: a run of small files pays for
    // one, and a piece never moves once made.
    static constexpr std::size_t kPiece = 64u << 10;

private:
    void MakeUpTo(std::uint64_t end);

    const KeyDigest& key_;
    std::vector<std::unique_ptr<std::uint8_t[]>> pieces_;
    Rc4State state_{};  // where the last piece ended
};

// The RC4 state of `key` positioned `offset` bytes into its keystream,
// skipping there through `scratch` (any size, but not empty when `offset` is
// not 0).
void Rc4StateAt(const KeyDigest& key, std::uint64_t offset, std::span<std::uint8_t> scratch, Rc4State& state);

// data[n] ^= keystream[n] for n < length.
void XorInto(std::uint8_t* data, const std::uint8_t* keystream, std::size_t length);
