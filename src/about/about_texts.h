#pragma once
// Deciphering of the About box's stored texts.
#include <cstdint>

#include "about/stored_texts.h"

inline constexpr int kAboutTextBufferSize = 256;  // a text holds at most 255 bytes

struct AboutTexts {
    char description[kAboutTextBufferSize];
    char title[kAboutTextBufferSize];
    char credits[kAboutTextBufferSize];
};

// Deciphers `stored` into `buffer` with the 20-byte key, from the start of the
// key stream. The copy goes by the stored length, not to the first zero byte:
// an enciphered byte may well be zero.
void DecipherStoredText(const StoredText& stored, const std::uint8_t (&key)[20], char (&buffer)[kAboutTextBufferSize]);

// All three texts, keyed with the digest of the built-in pass phrase.
void DecipherAboutTexts(AboutTexts& texts);
