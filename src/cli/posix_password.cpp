#include <iconv.h>

#include <algorithm>
#include <string_view>

#include "cli/password.h"
#include "crypto/wipe.h"

const char* const kDefaultCodePageText = "1252";

namespace {

constexpr std::size_t kMostBytes = 254;       // of the extension's password field
constexpr std::size_t kMostCharacters = 254;  // UTF-16 units, as the field counts them

// The bytes of the UTF-8 character that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

}  // namespace

PasswordError ToAnsi(const std::string& utf8, int codePage, std::string& ansi) {
    std::string number = codePage ? std::to_string(codePage) : kDefaultCodePageText;
    iconv_t convert = iconv_open(("CP" + number).c_str(), "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) convert = iconv_open(("WINDOWS-" + number).c_str(), "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) return PasswordError::BadCodePage;
    // A character at a time, as the extension's conversion counts them: one
    // with no place in the code page takes the one byte of a default char,
    // and the characters past the field's limits do not count at all.
    ansi.clear();
    ansi.reserve(kMostBytes);
    bool exact = true;
    std::size_t units = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
        units += length == 4 ? 2 : 1;
        if (units > kMostCharacters) break;
        char out[8];
        char* in = const_cast<char*>(utf8.data() + at);
        char* next = out;
        std::size_t inLeft = length, outLeft = sizeof out;
        // glibc converts some characters that have no place in the code page
        // without failing, counting each in its result.
        bool spelled = iconv(convert, &in, &inLeft, &next, &outLeft) == 0 && inLeft == 0;
        std::size_t bytes = spelled ? sizeof out - outLeft : 1;
        if (ansi.size() + bytes > kMostBytes) {
            SecureWipe(out);
            break;
        }
        if (spelled)
            ansi.append(out, bytes);
        else
            exact = false;
        SecureWipe(out);
        iconv(convert, nullptr, nullptr, nullptr, nullptr);
        at += length;
    }
    iconv_close(convert);
    if (exact) return PasswordError::None;
    SecureWipe(ansi.data(), ansi.size());
    ansi.clear();
    return PasswordError::NotAnsi;
}
