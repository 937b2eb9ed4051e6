#include "crypto/rc4.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <memory>

#include "crypto/rc4_kernels.h"
#include "crypto/wipe.h"

namespace {

constexpr int kRunLength = 8;  // keystream bytes per step of the fast loop
constexpr int kLookahead = 4;  // S[i] values read ahead of the swaps that may change them

// One keystream byte in the general form, with i wrapping through 255.
inline std::uint8_t NextKeystreamByte(std::uint8_t* S, std::uint32_t& i, std::uint8_t& j) {
    i = (i + 1) & 0xFF;
    const std::uint8_t si = S[i];
    j = static_cast<std::uint8_t>(j + si);
    const std::uint8_t sj = S[j];
    S[i] = sj;
    S[j] = si;
    return S[static_cast<std::uint8_t>(si + sj)];
}

// kRunLength keystream bytes XORed into out, for a run S[first .. first +
// kRunLength - 1] that, with the kLookahead entries after it, does not wrap.
//
// The speed of RC4 is set by the chain j -> S[j] swap -> next S[i] -> j. Read
// in order, each S[i] would wait on the previous swap's store, whose address
// is known only once j is, although the two rarely meet. So the S[i] values
// are read kLookahead steps early into ahead[], which runs from one run into
// the next, and read again in the rare case that a swap lands on one of them.
// XORing byte by byte measured faster than gathering the keystream into a
// word first, and is independent of byte order.
inline void CryptRun(std::uint8_t* S, std::uint32_t first, std::uint8_t& j, std::uint8_t (&ahead)[kLookahead + 1],
                     std::uint8_t* out) {
    std::uint8_t* const run = S + first;
    for (int k = 0; k < kRunLength; ++k) {
        const std::uint8_t si = ahead[0];
        j = static_cast<std::uint8_t>(j + si);
        const std::uint8_t sj = S[j];
        ahead[kLookahead] = run[k + kLookahead];
        run[k] = sj;
        S[j] = si;
        if (static_cast<std::uint8_t>(j - (first + k + 1)) < kLookahead) [[unlikely]]
            for (int m = 1; m <= kLookahead; ++m) ahead[m] = run[k + m];
        out[k] ^= S[static_cast<std::uint8_t>(si + sj)];
        for (int m = 0; m < kLookahead; ++m) ahead[m] = ahead[m + 1];
    }
}

// Works on the permutation in place: no setup, so also the loop for short buffers.
void CryptByteTable(std::uint8_t* buffer, std::int32_t length, Rc4State& state) {
    if (length <= 0) return;
    // Latest value of i at which a run and its lookahead stay below 256.
    constexpr std::uint32_t kLastRunStart = 255 - kRunLength - kLookahead;
    std::uint8_t* const S = state.S;
    std::uint32_t i = state.i;
    std::uint8_t j = state.j;
    std::uint8_t* out = buffer;
    std::uint8_t* const end = buffer + length;
    while (out != end) {
        if (end - out >= kRunLength && i <= kLastRunStart) {
            std::uint8_t ahead[kLookahead + 1];
            for (int m = 0; m < kLookahead; ++m) ahead[m] = S[i + 1 + m];
            do {
                CryptRun(S, i + 1, j, ahead, out);
                i += kRunLength;
                out += kRunLength;
            } while (end - out >= kRunLength && i <= kLastRunStart);
        } else {
            *out++ ^= NextKeystreamByte(S, i, j);
        }
    }
    state.i = static_cast<std::uint8_t>(i);
    state.j = j;
}

// One keystream byte on a table of 32-bit entries, with i wrapping through 255.
inline std::uint8_t NextKeystreamByte(std::uint32_t* T, std::uint32_t& i, std::uint32_t& j) {
    i = (i + 1) & 0xFF;
    const std::uint32_t si = T[i];
    j = (j + si) & 0xFF;
    const std::uint32_t sj = T[j];
    T[i] = sj;
    T[j] = si;
    return static_cast<std::uint8_t>(T[(si + sj) & 0xFF]);
}

// The permutation widened to 32-bit entries, so that no load or store of the
// loop touches part of a word another one writes: on some cores byte accesses
// that share a word with a store in flight wait for it. Eight keystream bytes
// are gathered into one word and XORed into the buffer with a single load and
// store. As in the byte-table loop, the next Lookahead values of S[i] are read
// early and read again in the rare case that a swap lands on one of them; a
// branch, not a select, so that the check stays off the chain through j.
template <int Lookahead>
void CryptWordTable(std::uint8_t* buffer, std::int32_t length, Rc4State& state) {
    if (length <= 0) return;
    std::uint32_t T[256];
    for (int n = 0; n < 256; ++n) T[n] = state.S[n];
    std::uint32_t i = state.i;
    std::uint32_t j = state.j;
    std::uint8_t* out = buffer;
    std::uint8_t* const end = buffer + length;
    // Single steps up to a multiple of eight, so no run of eight wraps.
    while (out != end && (i & 7) != 7) *out++ ^= NextKeystreamByte(T, i, j);
    if (end - out >= 8) {
        std::uint32_t ahead[Lookahead + 1];
        for (int m = 0; m < Lookahead; ++m) ahead[m] = T[(i + 1 + m) & 0xFF];
        do {
            const std::uint32_t first = (i + 1) & 0xFF;
            std::uint64_t keystream = 0;
            for (int k = 0; k < 8; ++k) {
                const std::uint32_t si = ahead[0];
                j = (j + si) & 0xFF;
                const std::uint32_t sj = T[j];
                ahead[Lookahead] = T[(first + k + Lookahead) & 0xFF];
                T[first + k] = sj;
                T[j] = si;
                if (((j - (first + k + 1)) & 0xFF) < Lookahead) [[unlikely]]
                    for (int m = 1; m <= Lookahead; ++m) ahead[m] = T[(first + k + m) & 0xFF];
                keystream |= std::uint64_t{T[(si + sj) & 0xFF]} << (8 * k);
                for (int m = 0; m < Lookahead; ++m) ahead[m] = ahead[m + 1];
            }
            if constexpr (std::endian::native == std::endian::little) {
                std::uint64_t word;
                std::memcpy(&word, out, 8);
                word ^= keystream;
                std::memcpy(out, &word, 8);
            } else {
                for (int k = 0; k < 8; ++k) out[k] ^= static_cast<std::uint8_t>(keystream >> (8 * k));
            }
            out += 8;
            i = (i + 8) & 0xFF;
        } while (end - out >= 8);
    }
    while (out != end) *out++ ^= NextKeystreamByte(T, i, j);
    for (int n = 0; n < 256; ++n) state.S[n] = static_cast<std::uint8_t>(T[n]);
    state.i = static_cast<std::uint8_t>(i);
    state.j = static_cast<std::uint8_t>(j);
    SecureWipe(T);
}

}  // namespace

namespace rc4_kernels {

const NamedKernel kAll[kCount] = {
    {"byte4", CryptByteTable},
    {"word1", CryptWordTable<1>},
    {"word2", CryptWordTable<2>},
};

int Calibrate() {
    // Long enough to time well with a 100 ns clock, short enough to cost well
    // under a millisecond in all. Rounds run the kernels in turn and each
    // keeps its best time, which load from elsewhere can only make worse.
    constexpr std::int32_t kBytes = 16 * 1024;
    constexpr int kRounds = 7;
    const auto buffer = std::make_unique<std::uint8_t[]>(kBytes);
    const std::uint8_t key[16] = {0x52, 0xc4, 0x11, 0x9e, 0x07, 0xd3, 0x6a, 0xf0,
                                  0x3b, 0x88, 0x25, 0xe1, 0x4c, 0x97, 0x0d, 0x76};
    std::chrono::steady_clock::duration best[kCount];
    for (auto& time : best) time = std::chrono::steady_clock::duration::max();
    Rc4State state;
    for (int round = 0; round < kRounds; ++round) {
        for (int k = 0; k < kCount; ++k) {
            Rc4Init(key, sizeof key, state);
            const auto start = std::chrono::steady_clock::now();
            kAll[k].crypt(buffer.get(), kBytes, state);
            const auto time = std::chrono::steady_clock::now() - start;
            if (time < best[k]) best[k] = time;
        }
    }
    int fastest = 0;
    for (int k = 1; k < kCount; ++k)
        if (best[k] < best[fastest]) fastest = k;
    return fastest;
}

const NamedKernel& Chosen() {
    // Initialised once even if two threads arrive together; a flag test after.
    static const NamedKernel& chosen = kAll[Calibrate()];
    return chosen;
}

}  // namespace rc4_kernels

void Rc4Init(const std::uint8_t* key, std::int32_t keyLength, Rc4State& state) {
    for (int n = 0; n < 256; ++n) state.S[n] = static_cast<std::uint8_t>(n);
    std::uint8_t j = 0;
    std::int32_t k = 0;
    for (int n = 0; n < 256; ++n) {
        const std::uint8_t sn = state.S[n];
        // A key length below 1 is never passed; it is keyed as if every key byte
        // were zero rather than reading outside the key.
        const std::uint8_t keyByte = keyLength > 0 ? key[k] : 0;
        j = static_cast<std::uint8_t>(j + sn + keyByte);
        state.S[n] = state.S[j];
        state.S[j] = sn;
        if (++k >= keyLength) k = 0;
    }
    state.i = 0;
    state.j = 0;
}

void Rc4Crypt(std::uint8_t* buffer, std::int32_t length, Rc4State& state) {
    if (length < rc4_kernels::kCalibratedFrom)
        CryptByteTable(buffer, length, state);
    else
        rc4_kernels::Chosen().crypt(buffer, length, state);
}
