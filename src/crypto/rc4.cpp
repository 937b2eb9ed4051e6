#include "crypto/rc4.h"

void Rc4Init(const std::uint8_t* key, std::int32_t keyLength, Rc4State& state) {
    for (int n = 0; n < 256; ++n) state.S[n] = static_cast<std::uint8_t>(n);
    std::uint8_t j = 0;
    std::int32_t k = 0;
    for (int n = 0; n < 256; ++n) {
        std::uint8_t t = state.S[n];
        j = static_cast<std::uint8_t>(j + t + key[k]);
        state.S[n] = state.S[j];
        state.S[j] = t;
        if (++k >= keyLength) k = 0;
    }
    state.i = 0;
    state.j = 0;
}

void Rc4Crypt(std::uint8_t* buffer, std::int32_t length, Rc4State& state) {
    std::uint8_t i = state.i, j = state.j;
    for (std::int32_t n = 0; n < length; ++n) {
        i = static_cast<std::uint8_t>(i + 1);
        std::uint8_t si = state.S[i];
        j = static_cast<std::uint8_t>(j + si);
        std::uint8_t sj = state.S[j];
        state.S[i] = sj;
        state.S[j] = si;
        buffer[n] ^= state.S[static_cast<std::uint8_t>(si + sj)];
    }
    state.i = i;
    state.j = j;
}
