#include <windows.h>

#include "cli/password.h"
#include "crypto/wipe.h"
#include "keys/password_bytes.h"

const char* const kDefaultCodePageText = "the system's ANSI code page, as the shell extension takes";

PasswordError ToAnsi(const std::string& utf8, int codePage, std::string& ansi) {
    if (codePage != 0 && !IsValidCodePage(static_cast<UINT>(codePage))) return PasswordError::BadCodePage;
    const int size = static_cast<int>(utf8.size());
    const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (count <= 0) return PasswordError::NotAnsi;
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), count);
    char text[kPasswordFieldSize];
    bool exact = false;
    const int length = PasswordBytes(wide.data(), count, codePage ? static_cast<UINT>(codePage) : CP_ACP, text, exact);
    SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
    if (exact) ansi.assign(text, static_cast<std::size_t>(length));
    SecureWipe(text);
    return exact ? PasswordError::None : PasswordError::NotAnsi;
}
