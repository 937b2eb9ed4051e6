// RC4 against OpenSSL's as an independent oracle (native builds only).
#include <gtest/gtest.h>
#include <openssl/rc4.h>

#include <vector>

#include "crypto/rc4.h"
#include "crypto/rc4_kernels.h"
#include "crypto_test_util.h"
#include "pattern.h"

namespace {

// The low-level RC4 interface is deprecated in OpenSSL 3 but still the plainest oracle.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
std::vector<std::uint8_t> OpenSslRc4(const std::uint8_t* key, int keyLength, std::vector<std::uint8_t> data) {
    RC4_KEY state;
    RC4_set_key(&state, keyLength, key);
    RC4(&state, data.size(), data.data(), data.data());
    return data;
}
#pragma GCC diagnostic pop

TEST(Rc4VersusOpenSsl, TwentyByteKeysGiveTheSameOutput) {
    for (std::uint8_t seed : {0, 1, 0x5a, 0xff}) {
        SCOPED_TRACE(int{seed});
        std::uint8_t key[20];
        for (int n = 0; n < 20; ++n) key[n] = static_cast<std::uint8_t>(seed * 31 + n * 97);
        const auto plain = vftest::PatternBytes(70000);

        auto ours = plain;
        Rc4State state;
        Rc4Init(key, 20, state);
        Rc4Crypt(ours.data(), static_cast<std::int32_t>(ours.size()), state);
        EXPECT_EQ(ours, OpenSslRc4(key, 20, plain));
    }
}

TEST(Rc4VersusOpenSsl, EveryKernelGivesTheSameOutputInPiecesForEveryKeyLength) {
    const auto plain = vftest::PatternBytes(70000);
    for (int keyLength : {1, 5, 16, 20, 32, 256}) {
        const auto key = vftest::PatternBytes(static_cast<std::size_t>(keyLength));
        const auto expected = OpenSslRc4(key.data(), keyLength, plain);
        for (const rc4_kernels::NamedKernel& kernel : rc4_kernels::kAll) {
            SCOPED_TRACE(testing::Message() << kernel.name << ", " << keyLength << "-byte key");
            auto ours = plain;
            Rc4State state;
            Rc4Init(key.data(), keyLength, state);
            // Pieces of growing odd sizes, so every piece starts at another alignment.
            for (std::size_t done = 0, piece = 1; done < ours.size(); done += piece, piece = piece * 3 + 1)
                kernel.crypt(ours.data() + done, static_cast<std::int32_t>(std::min(piece, ours.size() - done)), state);
            EXPECT_EQ(ours, expected);
        }
    }
}

}  // namespace
