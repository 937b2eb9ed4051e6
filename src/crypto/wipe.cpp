#include "crypto/wipe.h"

void SecureWipe(void* data, std::size_t size) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (size--) *p++ = 0;
}

bool KeyDigestsEqual(const KeyDigest& a, const KeyDigest& b) {
    std::uint32_t difference = 0;
    for (int w = 0; w < 5; ++w) difference |= a.h[w] ^ b.h[w];
    return difference == 0;
}
