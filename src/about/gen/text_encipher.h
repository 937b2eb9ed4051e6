#pragma once
// Build-time side of the About box's stored texts: checks the plain texts and
// writes the C++ source that holds them enciphered.
#include <cstdint>
#include <string>
#include <vector>

struct PlainAboutTexts {
    std::string passPhrase;
    std::string description;
    std::string title;
    std::string credits;
};

inline constexpr std::size_t kPassPhraseLength = 8;
inline constexpr std::size_t kMaxAboutTextLength = 255;  // the About command's buffers hold 256 bytes

// A text file's content without the line break(s) an editor leaves at its end.
std::string WithoutTrailingLineBreaks(std::string text);

// Empty when the texts can be stored, else what is wrong with them.
std::string CheckAboutTexts(const PlainAboutTexts& texts);

// RC4 under the SHA-1 digest of the pass phrase, from the start of the key stream.
std::vector<std::uint8_t> EncipherAboutText(const std::string& plain, const std::string& passPhrase);

// The generated source: the pass phrase and the three enciphered texts.
std::string StoredTextsSource(const PlainAboutTexts& texts);
