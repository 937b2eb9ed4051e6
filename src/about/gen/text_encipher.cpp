#include "text_encipher.h"

#include <cstdio>

#include "crypto/rc4.h"
#include "crypto/sha1.h"

namespace {

std::string CheckText(const char* name, const std::string& text) {
    if (text.size() > kMaxAboutTextLength)
        return std::string(name) + " is " + std::to_string(text.size()) + " bytes long; at most " +
               std::to_string(kMaxAboutTextLength) + " fit";
    if (text.find('\0') != std::string::npos) return std::string(name) + " contains a zero byte";
    return "";
}

// Octal escapes keep the literal valid whatever character follows.
std::string CLiteral(const std::string& text) {
    std::string literal = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\' && c != '?') {
            literal += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", c);
            literal += escape;
        }
    }
    return literal + "\"";
}

std::string StoredTextDefinition(const char* name, const std::string& plain, const std::string& passPhrase) {
    std::string source = "static const std::uint8_t k" + std::string(name) + "Bytes[] = {";
    int column = 0;
    for (std::uint8_t byte : EncipherAboutText(plain, passPhrase)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x, ", byte);
        source += (column++ % 12 == 0 ? "\n    " : "") + std::string(hex);
    }
    source += "\n    0x00};\n";
    source += "extern const StoredText kStored" + std::string(name) + " = {k" + name + "Bytes, " +
              std::to_string(plain.size()) + "};\n\n";
    return source;
}

}  // namespace

std::string WithoutTrailingLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string CheckAboutTexts(const PlainAboutTexts& texts) {
    if (texts.passPhrase.size() != kPassPhraseLength)
        return "the pass phrase must be " + std::to_string(kPassPhraseLength) + " characters long";
    for (unsigned char c : texts.passPhrase)
        if (c < 0x20 || c >= 0x7f) return "the pass phrase must be printable ASCII";
    for (const std::string& problem : {CheckText("the description", texts.description),
                                       CheckText("the title", texts.title), CheckText("the credits", texts.credits)})
        if (!problem.empty()) return problem;
    return "";
}

std::vector<std::uint8_t> EncipherAboutText(const std::string& plain, const std::string& passPhrase) {
    KeyDigest digest;
    Sha1Buffer(passPhrase.data(), static_cast<std::uint32_t>(passPhrase.size()), digest);
    std::uint8_t key[kKeyDigestBytes];
    KeyDigestToBytes(digest, key);
    Rc4State state;
    Rc4Init(key, sizeof key, state);
    std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
    Rc4Crypt(bytes.data(), static_cast<std::int32_t>(bytes.size()), state);
    return bytes;
}

std::string StoredTextsSource(const PlainAboutTexts& texts) {
    return "// Generated at build time by encipher_texts from the plain texts; do not edit.\n"
           "#include \"about/stored_texts.h\"\n\n"
           "extern const char kAboutPassPhrase[] = " +
           CLiteral(texts.passPhrase) + ";\n\n" +
           StoredTextDefinition("Description", texts.description, texts.passPhrase) +
           StoredTextDefinition("Title", texts.title, texts.passPhrase) +
           StoredTextDefinition("Credits", texts.credits, texts.passPhrase);
}
