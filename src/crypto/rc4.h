#pragma once
// RC4 stream cipher. Encrypting and decrypting are the same XOR with the keystream.
#include <cstdint>

struct Rc4State {
    std::uint8_t S[256];
    std::uint8_t i;
    std::uint8_t j;
};
static_assert(sizeof(Rc4State) == 258, "Rc4State is the 256-byte permutation and two index bytes");

// Standard key schedule; the previous contents of state are overwritten. Only the
// first 256 key bytes count. A keyLength below 1 reads no key and keys as one zero byte.
void Rc4Init(const std::uint8_t* key, std::int32_t keyLength, Rc4State& state);
// XORs length bytes of buffer with the keystream, in place. length <= 0 does nothing.
void Rc4Crypt(std::uint8_t* buffer, std::int32_t length, Rc4State& state);
