#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "crypto/rc4.h"
#include "crypto/rc4_kernels.h"
#include "crypto_test_util.h"
#include "pattern.h"

namespace {

const std::uint8_t kKey20[20] = {0x3a, 0x01, 0xff, 0x80, 0x7f, 0x10, 0x20, 0x30, 0x40, 0x50,
                                 0x00, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0x12, 0x34, 0x56};

Rc4State Keyed(const std::uint8_t* key, std::int32_t length) {
    Rc4State state;
    Rc4Init(key, length, state);
    return state;
}

std::vector<std::uint8_t> Keystream(Rc4State& state, std::size_t length) {
    std::vector<std::uint8_t> bytes(length, 0);
    Rc4Crypt(bytes.data(), static_cast<std::int32_t>(length), state);
    return bytes;
}

bool SameState(const Rc4State& a, const Rc4State& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Keystream of the keys 01 02 03 ... of several lengths at several offsets.
struct KeystreamVector {
    int keyLength;
    int offset;
    const char* keystream;
};

const KeystreamVector kRfc6229[] = {
    {5, 0, "b2396305f03dc027ccc3524a0a1118a8"},     {5, 16, "6982944f18fc82d589c403a47a0d0919"},
    {5, 240, "28cb1132c96ce286421dcaadb8b69eae"},   {5, 256, "1cfcf62b03eddb641d77dfcf7f8d8c93"},
    {5, 1520, "3294f744d8f9790507e70f62e5bbceea"},  {5, 4080, "068326a2118416d21f9d04b2cd1ca050"},
    {8, 0, "97ab8a1bf0afb96132f2f67258da15a8"},     {8, 16, "8263efdb45c4a18684ef87e6b19e5b09"},
    {8, 240, "9636ebc9841926f4f7d1f362bddf6e18"},   {8, 256, "d0a990ff2c05fef5b90373c9ff4b870a"},
    {8, 1520, "1fe8986713f07c3d9ae1c163ff8cf9d3"},  {8, 4080, "d5fa5a3469d29aaaf83d23589db8c85b"},
    {16, 0, "9ac7cc9a609d1ef7b2932899cde41b97"},    {16, 16, "5248c4959014126a6e8a84f11d1a9e1c"},
    {16, 240, "065902e4b620f6cc36c8589f66432f2b"},  {16, 256, "d39d566bc6bce3010768151549f3873f"},
    {16, 1520, "b40110c4190b5622a96116b0017ed297"}, {16, 4080, "ff38265c1642c1abe8d3c2fe5e572bf8"},
    {32, 0, "eaa6bd25880bf93d3f5d1e4ca2611d91"},    {32, 16, "cfa45c9f7e714b54bdfa80027cb14380"},
    {32, 240, "114ae344ded71b35f2e60febad727fd8"},  {32, 256, "02e1e7056b0f623900496422943e97b6"},
    {32, 1520, "40f250b26d1f096a4afd4c340a588815"}, {32, 4080, "a13a7c79c7e119b5ab0296ab28c300b9"},
};

TEST(Rc4, KeystreamMatchesPublishedVectors) {
    std::uint8_t key[32];
    for (int n = 0; n < 32; ++n) key[n] = static_cast<std::uint8_t>(n + 1);
    for (const KeystreamVector& vector : kRfc6229) {
        SCOPED_TRACE(testing::Message() << vector.keyLength << "-byte key, offset " << vector.offset);
        Rc4State state = Keyed(key, vector.keyLength);
        const auto stream = Keystream(state, 4096 + 16);
        EXPECT_EQ(ToHex(stream.data() + vector.offset, 16), vector.keystream);
    }
}

TEST(Rc4, KeyScheduleLeavesAPermutationWithBothIndicesZero) {
    Rc4State state;
    std::memset(&state, 0xA5, sizeof state);
    Rc4Init(kKey20, sizeof kKey20, state);
    EXPECT_EQ(state.i, 0);
    EXPECT_EQ(state.j, 0);
    std::vector<std::uint8_t> values(state.S, state.S + 256);
    std::sort(values.begin(), values.end());
    for (int n = 0; n < 256; ++n) ASSERT_EQ(values[n], n);
}

// Ways to cut a stream, as the sizes of the pieces in order. First two pieces
// cut at every point, over lengths that cover the wrap of i through 255 at
// every alignment of the eight-byte runs, and a length over which the pieces
// pass from the short-buffer kernel to the calibrated one and back; then 20000
// bytes in pieces of every size from 1 to 37 in turn.
std::vector<std::vector<std::size_t>> Cuttings() {
    std::vector<std::vector<std::size_t>> cuttings;
    for (std::size_t length : {1, 9, 64, 300, 2 * rc4_kernels::kCalibratedFrom + 50})
        for (std::size_t k = 0; k <= length; ++k) cuttings.push_back({k, length - k});
    std::vector<std::size_t> pieces;
    for (std::size_t done = 0, size = 1; done < 20000; done += pieces.back(), size = size % 37 + 1)
        pieces.push_back(std::min(size, 20000 - done));
    cuttings.push_back(pieces);
    return cuttings;
}

TEST(Rc4, OutputAndStateDoNotDependOnHowTheStreamIsCut) {
    for (const std::vector<std::size_t>& pieces : Cuttings()) {
        const std::size_t length = std::accumulate(pieces.begin(), pieces.end(), std::size_t{0});
        SCOPED_TRACE(testing::Message() << length << " bytes in " << pieces.size() << " pieces, the first of "
                                        << pieces[0]);
        const auto plain = vftest::PatternBytes(length);
        Rc4State whole = Keyed(kKey20, sizeof kKey20);
        auto expected = plain;
        Rc4Crypt(expected.data(), static_cast<std::int32_t>(length), whole);

        Rc4State cut = Keyed(kKey20, sizeof kKey20);
        auto data = plain;
        std::size_t done = 0;
        for (std::size_t piece : pieces) {
            Rc4Crypt(data.data() + done, static_cast<std::int32_t>(piece), cut);
            done += piece;
        }
        ASSERT_EQ(data, expected);
        ASSERT_TRUE(SameState(cut, whole));
    }
}

TEST(Rc4, ZeroOrNegativeLengthChangesNothing) {
    Rc4State state = Keyed(kKey20, sizeof kKey20);
    auto used = vftest::PatternBytes(13);
    Rc4Crypt(used.data(), 13, state);  // i and j away from zero
    const Rc4State before = state;

    for (std::int32_t length : {0, -1, -65535, INT32_MIN}) {
        SCOPED_TRACE(length);
        auto data = vftest::PatternBytes(16);
        Rc4Crypt(data.data(), length, state);
        EXPECT_EQ(data, vftest::PatternBytes(16));
        EXPECT_TRUE(SameState(state, before));
    }

    Rc4State reference = before;
    EXPECT_EQ(Keystream(state, 100), Keystream(reference, 100)) << "the keystream continues where it stood";
}

TEST(Rc4, RekeyingAUsedStateEqualsKeyingAFreshOne) {
    Rc4State used = Keyed(kKey20, sizeof kKey20);
    Keystream(used, 777);
    const std::uint8_t otherKey[5] = {9, 8, 7, 6, 5};
    Rc4Init(otherKey, sizeof otherKey, used);

    Rc4State fresh = Keyed(otherKey, sizeof otherKey);
    EXPECT_TRUE(SameState(used, fresh));
    EXPECT_EQ(Keystream(used, 1000), Keystream(fresh, 1000));
}

TEST(Rc4, EncryptingTwiceUnderTheSameKeyRestoresTheData) {
    const auto plain = vftest::PatternBytes(65535);
    auto data = plain;
    Rc4State first = Keyed(kKey20, sizeof kKey20);
    Rc4Crypt(data.data(), static_cast<std::int32_t>(data.size()), first);
    EXPECT_NE(data, plain);
    Rc4State second = Keyed(kKey20, sizeof kKey20);
    Rc4Crypt(data.data(), static_cast<std::int32_t>(data.size()), second);
    EXPECT_EQ(data, plain);
}

TEST(Rc4, KeyBytesBeyondTheFirst256AreIgnored) {
    const auto longKey = vftest::PatternBytes(300);
    Rc4State full = Keyed(longKey.data(), 300);
    Rc4State first256 = Keyed(longKey.data(), 256);
    EXPECT_TRUE(SameState(full, first256));
}

TEST(Rc4, KeyLengthBelowOneReadsNoKeyAndActsAsAZeroByte) {
    const std::uint8_t zero[1] = {0};
    const Rc4State expected = Keyed(zero, 1);
    for (std::int32_t length : {0, -5}) {
        Rc4State state = Keyed(nullptr, length);
        EXPECT_TRUE(SameState(state, expected)) << length;
    }
}

// Textbook RC4, a byte at a time: the oracle the kernels are held to.
void TextbookCrypt(std::uint8_t* data, std::size_t length, Rc4State& state) {
    std::uint8_t* S = state.S;
    for (std::size_t n = 0; n < length; ++n) {
        state.i = static_cast<std::uint8_t>(state.i + 1);
        state.j = static_cast<std::uint8_t>(state.j + S[state.i]);
        std::swap(S[state.i], S[state.j]);
        data[n] ^= S[static_cast<std::uint8_t>(S[state.i] + S[state.j])];
    }
}

class Rc4Kernel : public testing::TestWithParam<rc4_kernels::NamedKernel> {};

INSTANTIATE_TEST_SUITE_P(All, Rc4Kernel, testing::ValuesIn(rc4_kernels::kAll),
                         [](const testing::TestParamInfo<rc4_kernels::NamedKernel>& info) {
                             return std::string(info.param.name);
                         });

TEST_P(Rc4Kernel, KeystreamMatchesPublishedVectors) {
    std::uint8_t key[32];
    for (int n = 0; n < 32; ++n) key[n] = static_cast<std::uint8_t>(n + 1);
    for (const KeystreamVector& vector : kRfc6229) {
        SCOPED_TRACE(testing::Message() << vector.keyLength << "-byte key, offset " << vector.offset);
        Rc4State state = Keyed(key, vector.keyLength);
        std::vector<std::uint8_t> stream(4096 + 16, 0);
        GetParam().crypt(stream.data(), static_cast<std::int32_t>(stream.size()), state);
        EXPECT_EQ(ToHex(stream.data() + vector.offset, 16), vector.keystream);
    }
}

// Every length up to past a wrap of i, from every alignment of i to the
// eight-byte runs, into a buffer at an odd address.
TEST_P(Rc4Kernel, EveryShortLengthFromEveryStartMatchesTheTextbook) {
    const auto plain = vftest::PatternBytes(301);
    for (std::size_t skip = 0; skip <= 9; ++skip) {
        Rc4State start = Keyed(kKey20, sizeof kKey20);
        Keystream(start, skip);
        for (std::size_t length = 0; length <= 300; ++length) {
            SCOPED_TRACE(testing::Message() << "after " << skip << " bytes, " << length << " bytes");
            std::vector<std::uint8_t> data(plain.begin(), plain.end()), expected = data;
            Rc4State state = start, reference = start;
            GetParam().crypt(data.data() + 1, static_cast<std::int32_t>(length), state);
            TextbookCrypt(expected.data() + 1, length, reference);
            ASSERT_EQ(data, expected);
            ASSERT_TRUE(SameState(state, reference));
        }
    }
}

// A long stream in pieces around the sizes where the loops change, the state
// carried from piece to piece, for each key length the product and the
// published vectors use and the extremes.
TEST_P(Rc4Kernel, PiecesOfALongStreamMatchTheTextbookForEveryKeyLength) {
    const std::size_t kPieces[] = {0, 1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 255, 256, 257, 1023, 1024, 1025, 3001};
    for (std::int32_t keyLength : {1, 5, 8, 16, 20, 32, 256}) {
        SCOPED_TRACE(testing::Message() << keyLength << "-byte key");
        const auto key = vftest::PatternBytes(static_cast<std::size_t>(keyLength));
        Rc4State state = Keyed(key.data(), keyLength), reference = state;
        const auto plain = vftest::PatternBytes(8000);
        std::vector<std::uint8_t> data = plain, expected = plain;
        for (std::size_t done = 0, n = 0; done < plain.size(); ++n) {
            const std::size_t piece = std::min(kPieces[(n * 7) % std::size(kPieces)], plain.size() - done);
            GetParam().crypt(data.data() + done, static_cast<std::int32_t>(piece), state);
            TextbookCrypt(expected.data() + done, piece, reference);
            done += piece;
            ASSERT_TRUE(SameState(state, reference)) << "after " << done << " bytes";
        }
        EXPECT_EQ(data, expected);
    }
}

}  // namespace
