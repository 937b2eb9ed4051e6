#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/sha1.h"
#include "crypto_test_util.h"
#include "pattern.h"

namespace {

using vftest::Pattern;

std::string TextOf(const KeyDigest& digest) {
    char text[kKeyDigestTextLength + 1];
    std::memset(text, '#', sizeof text);
    KeyDigestToText(digest, text);
    return text;
}

std::string TextOfBuffer(const void* data, std::size_t length) {
    KeyDigest digest;
    Sha1Buffer(data, static_cast<std::uint32_t>(length), digest);
    return TextOf(digest);
}

struct KnownAnswer {
    const char* name;
    std::string message;
    const char* digest;
};

// The published examples, then messages whose lengths straddle the padding
// boundaries: 55 bytes leave exactly room for the marker and the bit count,
// 56..63 push the bit count into a block of its own, 64 fills a block exactly.
const KnownAnswer kKnownAnswers[] = {
    {"empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {"a million a", std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {"55 bytes", Pattern(55), "ddf57317ef34bfee3b6df83d359098930eb278bc"},
    {"56 bytes", Pattern(56), "a0d492bb0fc889d0eca3bc137066ab6f4f74f369"},
    {"63 bytes", Pattern(63), "c55856749bef509bdfe6bfebfc7bf4e793e82132"},
    {"64 bytes", Pattern(64), "bede92be29c3874e1b54ddc77988d606fc857a8e"},
    {"65 bytes", Pattern(65), "b05a80522b053d6dc7e0a517d0e70212c7dad11f"},
    {"119 bytes", Pattern(119), "504e27376a6e0f0dba8295b85cb25dc4dfa17d23"},
    {"120 bytes", Pattern(120), "82134b02fb3f702491be9bed581eeab59334acb2"},
    {"128 bytes", Pattern(128), "a09133e6730ffe899efb70204cb5646cd5dc24ee"},
    {"1000 bytes", Pattern(1000), "4231a8a50a10fa9758db8ec71fdef855b751048a"},
};

TEST(Sha1, BufferGivesTheStandardDigests) {
    for (const KnownAnswer& answer : kKnownAnswers) {
        SCOPED_TRACE(answer.name);
        EXPECT_EQ(TextOfBuffer(answer.message.data(), answer.message.size()), answer.digest);
    }
}

std::string TextOfPieces(const std::string& data, std::initializer_list<std::size_t> cuts) {
    Sha1Context context;
    Sha1Init(context);
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        Sha1Update(context, data.data() + from, cut - from);
        from = cut;
    }
    Sha1Update(context, data.data() + from, data.size() - from);
    KeyDigest digest;
    Sha1Final(context, digest);
    return TextOf(digest);
}

// Pieces fed one after another give the digest of the whole, wherever the
// data is cut: within a block, on its boundary, and across the padding.
TEST(Sha1, PiecesGiveTheDigestOfTheWhole) {
    for (std::size_t length : {0, 1, 55, 56, 63, 64, 65, 119, 120, 128, 200}) {
        const std::string data = Pattern(length);
        const std::string whole = TextOfBuffer(data.data(), data.size());
        for (std::size_t cut = 0; cut <= length; ++cut)
            EXPECT_EQ(TextOfPieces(data, {cut}), whole) << "length " << length << " cut at " << cut;
        if (length >= 2) {
            EXPECT_EQ(TextOfPieces(data, {1, length - 1}), whole) << "length " << length << " in three";
        }
    }
    const std::string data = Pattern(1000);
    Sha1Context context;
    Sha1Init(context);
    for (char byte : data) Sha1Update(context, &byte, 1);
    KeyDigest digest;
    Sha1Final(context, digest);
    EXPECT_EQ(TextOf(digest), "4231a8a50a10fa9758db8ec71fdef855b751048a") << "one byte at a time";
}

TEST(Sha1, FinalLeavesNothingOfTheDataInTheContext) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, "secret password", 15);
    KeyDigest digest;
    Sha1Final(context, digest);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&context);
    EXPECT_EQ(std::count(bytes, bytes + sizeof context, 0), static_cast<std::ptrdiff_t>(sizeof context));
}

TEST(Sha1, DigestWordsAreTheStandardHashValuesAsNumbers) {
    KeyDigest digest;
    Sha1Buffer("abc", 3, digest);
    const std::uint32_t expected[5] = {0xa9993e36, 0x4706816a, 0xba3e2571, 0x7850c26c, 0x9cd0d89d};
    for (int w = 0; w < 5; ++w) EXPECT_EQ(digest.h[w], expected[w]) << "word " << w;
}

TEST(KeyDigestText, WritesEveryWordAsEightLowercaseDigitsWithLeadingZeros) {
    const KeyDigest digest{{0x00000001, 0x0000abcd, 0x00f00000, 0xffffffff, 0x00000000}};
    EXPECT_EQ(TextOf(digest), "000000010000abcd00f00000ffffffff00000000");
}

TEST(KeyDigestBytes, AreTheStandardDigestWithEachFourByteGroupReversed) {
    KeyDigest digest;
    Sha1Buffer("abc", 3, digest);
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(digest, bytes);
    // Standard digest a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d.
    EXPECT_EQ(ToHex(bytes, sizeof bytes),
              "363e99a9"
              "6a810647"
              "71253eba"
              "6cc25078"
              "9dd8d09c");

    const KeyDigest back = KeyDigestFromBytes(bytes);
    for (int w = 0; w < 5; ++w) EXPECT_EQ(back.h[w], digest.h[w]) << "word " << w;
}

class Sha1Files : public TempFolderTest {
protected:
    std::string WriteFile(const char* name, const std::vector<std::uint8_t>& data) {
        const std::string path = PathOf(name);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file == nullptr) return path;
        if (!data.empty()) {
            EXPECT_EQ(std::fwrite(data.data(), 1, data.size(), file), data.size());
        }
        std::fclose(file);
        return path;
    }
};

TEST_F(Sha1Files, StreamGivesTheSameDigestAsBuffer) {
    for (std::size_t length : {0, 1, 55, 56, 63, 64, 65, 127, 128, 129, 4096 + 17}) {
        SCOPED_TRACE(length);
        const auto data = vftest::PatternBytes(length);
        std::FILE* stream = std::fopen(WriteFile("data.bin", data).c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        KeyDigest fromStream;
        Sha1Stream(stream, fromStream);
        std::fclose(stream);
        EXPECT_EQ(TextOf(fromStream), TextOfBuffer(data.data(), data.size()));
    }
}

TEST_F(Sha1Files, StreamStartsAtTheCurrentPositionAndStaysOpen) {
    std::FILE* stream = std::fopen(WriteFile("data.bin", {'x', 'y', 'a', 'b', 'c'}).c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(std::fseek(stream, 2, SEEK_SET), 0);
    KeyDigest digest;
    Sha1Stream(stream, digest);
    EXPECT_EQ(TextOf(digest), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(std::fseek(stream, 0, SEEK_SET), 0) << "the stream must still be open";
    EXPECT_EQ(std::fgetc(stream), 'x');
    std::fclose(stream);
}

TEST_F(Sha1Files, FileGivesTheDigestOfItsContents) {
    const auto data = vftest::PatternBytes(1000);
    KeyDigest digest;
    EXPECT_EQ(Sha1File(WriteFile("data.bin", data).c_str(), digest), 0);
    EXPECT_EQ(TextOf(digest), "4231a8a50a10fa9758db8ec71fdef855b751048a");

    EXPECT_EQ(Sha1File(WriteFile("empty.bin", {}).c_str(), digest), 0);
    EXPECT_EQ(TextOf(digest), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST_F(Sha1Files, MissingFileGivesMinusOneAndTheFailurePattern) {
    KeyDigest digest{{1, 2, 3, 4, 5}};
    EXPECT_EQ(Sha1File(PathOf("no such file").c_str(), digest), -1);
    for (int w = 0; w < 5; ++w) EXPECT_EQ(digest.h[w], 0xdeadbeefu) << "word " << w;
}

}  // namespace
