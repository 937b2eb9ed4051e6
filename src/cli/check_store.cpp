#include "cli/check_store.h"

std::optional<KeyDigest> ParseCheckValueText(const std::string& text) {
    if (text.size() != kKeyDigestTextLength) return std::nullopt;
    KeyDigest value{};
    for (std::size_t n = 0; n < text.size(); ++n) {
        char c = text[n];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value.h[n / 8] = (value.h[n / 8] << 4) | digit;
    }
    return value;
}
