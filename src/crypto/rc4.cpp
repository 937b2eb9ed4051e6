#include "crypto/rc4.h"

namespace {

constexpr int kRunLength = 8;  // keystream bytes per step of the fast loop

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

// kRunLength keystream bytes XORed into out, for a run in which i does not wrap:
// S[i + 1 .. i + kRunLength] then sit at fixed offsets from one pointer, which
// saves the index arithmetic for i. XORing byte by byte measured faster than
// gathering the keystream into a word first, and is independent of byte order.
inline void CryptRun(std::uint8_t* S, std::uint8_t* run, std::uint8_t& j, std::uint8_t* out) {
#define VF_RUN_STEP(n)                                   \
    {                                                    \
        const std::uint8_t si = run[n];                  \
        j = static_cast<std::uint8_t>(j + si);           \
        const std::uint8_t sj = S[j];                    \
        run[n] = sj;                                     \
        S[j] = si;                                       \
        out[n] ^= S[static_cast<std::uint8_t>(si + sj)]; \
    }
    static_assert(kRunLength == 8, "one VF_RUN_STEP per byte of the run");
    VF_RUN_STEP(0) VF_RUN_STEP(1) VF_RUN_STEP(2) VF_RUN_STEP(3) VF_RUN_STEP(4) VF_RUN_STEP(5) VF_RUN_STEP(6) VF_RUN_STEP(7)
#undef VF_RUN_STEP
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
    std::uint32_t i = state.i;
    std::uint8_t j = state.j;
    std::int32_t n = 0;
    for (; length - n >= kRunLength; n += kRunLength) {
        if (i <= 255 - kRunLength) {
            CryptRun(state.S, state.S + i + 1, j, buffer + n);
            i += kRunLength;
        } else {
            for (int b = 0; b < kRunLength; ++b) buffer[n + b] ^= NextKeystreamByte(state.S, i, j);
        }
    }
    for (; n < length; ++n) buffer[n] ^= NextKeystreamByte(state.S, i, j);
    state.i = static_cast<std::uint8_t>(i);
    state.j = j;
}
