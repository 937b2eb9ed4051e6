#include <gtest/gtest.h>

#include <cstring>

#include "crypto/rc4.h"
#include "crypto/wipe.h"

namespace {

TEST(SecureWipe, ZeroesExactlyTheGivenBytes) {
    unsigned char buffer[32];
    std::memset(buffer, 0xCC, sizeof buffer);
    SecureWipe(buffer + 4, 20);
    for (int n = 0; n < 32; ++n) EXPECT_EQ(buffer[n], (n >= 4 && n < 24) ? 0 : 0xCC) << n;
}

TEST(SecureWipe, ObjectFormWipesTheWholeObject) {
    Rc4State state;
    std::memset(&state, 0x5A, sizeof state);
    SecureWipe(state);
    const Rc4State zero{};
    EXPECT_EQ(std::memcmp(&state, &zero, sizeof state), 0);
}

TEST(KeyDigestsEqual, DetectsAOneBitDifferenceInAnyWord) {
    const KeyDigest base{{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0}};
    EXPECT_TRUE(KeyDigestsEqual(base, base));
    for (int w = 0; w < 5; ++w)
        for (std::uint32_t bit : {0x1u, 0x80000000u}) {
            KeyDigest other = base;
            other.h[w] ^= bit;
            EXPECT_FALSE(KeyDigestsEqual(base, other)) << "word " << w << " bit " << bit;
        }
}

}  // namespace
