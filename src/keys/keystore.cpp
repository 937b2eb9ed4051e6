// How a password becomes its key and check value, and the platform test.
#include "keys/keystore.h"

#include "common/state.h"
#include "common/windows_version.h"
#include "crypto/wipe.h"

BOOL IsWindowsNT() { return WindowsVersion().dwPlatformId == VER_PLATFORM_WIN32_NT; }

KeyDigest ComputeCheckValue(const char* password, std::uint32_t length, const KeyDigest& key) {
    char keyText[kKeyDigestTextLength + 1];
    KeyDigestToText(key, keyText);
    // Hashed one after the other: the dialogs run this, and must neither
    // allocate nor leave a joined copy of the password to wipe.
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, password, length);
    Sha1Update(context, keyText, kKeyDigestTextLength);
    KeyDigest checkValue;
    Sha1Final(context, checkValue);
    SecureWipe(keyText);
    return checkValue;
}

BOOL DeriveKeys(const char* password) {
    std::uint32_t length = static_cast<std::uint32_t>(lstrlenA(password));
    Sha1Buffer(password, length, g_Key);
    g_CheckValue = ComputeCheckValue(password, length, g_Key);
    return TRUE;
}
