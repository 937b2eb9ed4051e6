// How a password becomes its key and check value, and the platform test.
#include "keys/keystore.h"

#include <vector>
#include "common/windows_version.h"

#include "common/state.h"
#include "crypto/wipe.h"

BOOL IsWindowsNT() { return WindowsVersion().dwPlatformId == VER_PLATFORM_WIN32_NT; }

KeyDigest ComputeCheckValue(const char* password, std::uint32_t length, const KeyDigest& key) {
    char keyText[kKeyDigestTextLength + 1];
    KeyDigestToText(key, keyText);
    // Reserved up front: a reallocation would free a copy of the password unwiped.
    std::vector<char> salted;
    salted.reserve(std::size_t{length} + kKeyDigestTextLength);
    salted.insert(salted.end(), password, password + length);
    salted.insert(salted.end(), keyText, keyText + kKeyDigestTextLength);
    KeyDigest checkValue;
    Sha1Buffer(salted.data(), static_cast<std::uint32_t>(salted.size()), checkValue);
    SecureWipe(salted.data(), salted.size());
    SecureWipe(keyText);
    return checkValue;
}

BOOL DeriveKeys(const char* password) {
    std::uint32_t length = static_cast<std::uint32_t>(lstrlenA(password));
    Sha1Buffer(password, length, g_Key);
    g_CheckValue = ComputeCheckValue(password, length, g_Key);
    return TRUE;
}
