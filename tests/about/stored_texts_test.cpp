// The texts the module stores enciphered decipher to the plain texts of the source tree.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "about/about_texts.h"
#include "crypto/rc4.h"
#include "plain_texts.h"

namespace {

TEST(StoredTexts, DecipherToThePlainTexts) {
    const std::string passPhrase = ReadPlainAboutText("passphrase");
    ASSERT_EQ(passPhrase.size(), 8u);
    EXPECT_EQ(kAboutPassPhrase, passPhrase);

    AboutTexts texts;
    std::memset(&texts, 0x55, sizeof texts);
    DecipherAboutTexts(texts);
    const struct {
        const char* name;
        const StoredText& stored;
        const char* deciphered;
    } cases[] = {{"description", kStoredDescription, texts.description},
                 {"title", kStoredTitle, texts.title},
                 {"credits", kStoredCredits, texts.credits}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string plain = ReadPlainAboutText(c.name);
        ASSERT_FALSE(plain.empty());
        EXPECT_EQ(std::string(c.deciphered), plain);
        ASSERT_EQ(c.stored.length, static_cast<std::int32_t>(plain.size()));
        EXPECT_NE(std::memcmp(c.stored.bytes, plain.data(), plain.size()), 0) << "stored in plain";
        EXPECT_EQ(c.stored.bytes[c.stored.length], 0) << "the plain zero byte after the text";
    }
}

TEST(StoredTexts, ZeroBytesInTheCipherTextAndOverlongLengthsAreHandled) {
    // Key and text chosen so that the first enciphered byte is zero: the copy
    // must go by the stored length, not stop at the first zero byte.
    std::uint8_t key[20] = {};
    Rc4State state;
    Rc4Init(key, 20, state);
    std::uint8_t stream[3] = {};
    Rc4Crypt(stream, 3, state);  // the key stream itself
    const std::uint8_t cipher[] = {0, static_cast<std::uint8_t>('b' ^ stream[1]),
                                   static_cast<std::uint8_t>('c' ^ stream[2]), 0};
    char buffer[kAboutTextBufferSize];
    DecipherStoredText(StoredText{cipher, 3}, key, buffer);
    EXPECT_EQ(static_cast<std::uint8_t>(buffer[0]), stream[0]);
    EXPECT_STREQ(buffer + 1, "bc");

    // A stored length beyond the buffer is cut to 255 bytes and stays terminated.
    std::vector<std::uint8_t> longText(400, 'x');
    DecipherStoredText(StoredText{longText.data(), 400}, key, buffer);
    EXPECT_EQ(buffer[kAboutTextBufferSize - 1], '\0');
}

}  // namespace
