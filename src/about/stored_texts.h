#pragma once
// The About box's three texts as the module stores them: enciphered with RC4
// under the SHA-1 digest of the pass phrase, each from the start of the key
// stream, followed by one plain zero byte. The definitions are generated at
// build time from the plain texts (gen/encipher_texts).
#include <cstdint>

struct StoredText {
    const std::uint8_t* bytes;  // `length` enciphered bytes, then a zero byte
    std::int32_t length;
};

extern const char kAboutPassPhrase[];
extern const StoredText kStoredDescription;  // the second text line
extern const StoredText kStoredTitle;
extern const StoredText kStoredCredits;  // length 0: no credits
