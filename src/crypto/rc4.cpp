#include "crypto/rc4.h"

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

}  // namespace

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
