#include "keys/password_bytes.h"

#include <algorithm>
#include <cstring>

#include "crypto/wipe.h"

namespace {

// Whether `text` reads back as exactly the `count` characters of `wide`.
bool ReadsBackAs(UINT codePage, const char* text, int length, const wchar_t* wide, int count) {
    wchar_t back[kPasswordFieldSize];
    const bool same = MultiByteToWideChar(codePage, 0, text, length, back, kPasswordFieldSize) == count &&
                      std::memcmp(back, wide, count * sizeof *wide) == 0;
    SecureWipe(back);
    return same;
}

}  // namespace

int PasswordBytes(const wchar_t* wide, int count, UINT codePage, char (&text)[kPasswordFieldSize], bool& exact) {
    if (codePage == CP_ACP) codePage = GetACP();
    count = std::min(count, kPasswordFieldSize - 1);
    // A UTF-8 code page spells every character, and the call fails when asked
    // for no best fit or about the default char: the read-back check catches
    // a lone surrogate there.
    const bool utf8 = codePage == CP_UTF8;
    int length = 0;
    exact = count == 0;
    for (; count > 0; --count) {
        BOOL usedDefault = FALSE;  // perhaps by a character that did not fit
        length = WideCharToMultiByte(codePage, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, count, text,
                                     kPasswordFieldSize - 1, nullptr, utf8 ? nullptr : &usedDefault);
        if (length > 0) {
            exact = !usedDefault && ReadsBackAs(codePage, text, length, wide, count);
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    }
    return length;
}
