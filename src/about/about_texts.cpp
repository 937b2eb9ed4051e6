#include "about/about_texts.h"

#include <algorithm>
#include <cstring>

#include "crypto/rc4.h"
#include "crypto/sha1.h"

void DecipherStoredText(const StoredText& stored, const std::uint8_t (&key)[20], char (&buffer)[kAboutTextBufferSize]) {
    std::memset(buffer, 0, sizeof buffer);
    const std::int32_t length = std::clamp<std::int32_t>(stored.length, 0, kAboutTextBufferSize - 1);
    std::memcpy(buffer, stored.bytes, static_cast<std::size_t>(length));
    Rc4State state;
    Rc4Init(key, 20, state);
    Rc4Crypt(reinterpret_cast<std::uint8_t*>(buffer), length, state);
}

void DecipherAboutTexts(AboutTexts& texts) {
    KeyDigest digest;
    Sha1Buffer(kAboutPassPhrase, static_cast<std::uint32_t>(std::strlen(kAboutPassPhrase)), digest);
    std::uint8_t key[kKeyDigestBytes];
    KeyDigestToBytes(digest, key);
    DecipherStoredText(kStoredDescription, key, texts.description);
    DecipherStoredText(kStoredTitle, key, texts.title);
    DecipherStoredText(kStoredCredits, key, texts.credits);
}
