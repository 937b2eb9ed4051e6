// SHA-1 against OpenSSL's as an independent oracle (native builds only).
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include "crypto/sha1.h"
#include "crypto_test_util.h"
#include "pattern.h"

namespace {

TEST(Sha1VersusOpenSsl, TextAndByteFormsForLengthsAroundEveryBlockBoundary) {
    for (std::size_t length : {0, 1, 55, 56, 57, 63, 64, 65, 111, 119, 120, 127, 128, 129, 191, 192, 1000, 65536 + 3}) {
        SCOPED_TRACE(length);
        const auto data = vftest::PatternBytes(length);
        unsigned char standard[SHA_DIGEST_LENGTH];
        SHA1(data.data(), data.size(), standard);

        KeyDigest digest;
        Sha1Buffer(data.data(), static_cast<std::uint32_t>(data.size()), digest);
        char text[kKeyDigestTextLength + 1];
        KeyDigestToText(digest, text);
        EXPECT_EQ(text, ToHex(standard, sizeof standard));

        std::uint8_t bytes[kKeyDigestBytes];
        KeyDigestToBytes(digest, bytes);
        for (std::size_t n = 0; n < kKeyDigestBytes; ++n)
            EXPECT_EQ(bytes[n], standard[(n & ~std::size_t{3}) + 3 - (n & 3)]) << "byte " << n;
    }
}

}  // namespace
