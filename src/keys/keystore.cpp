// How a password becomes its key and check value, and the platform test.
#include "keys/keystore.h"

#include "common/state.h"
#include "common/windows_version.h"

BOOL IsWindowsNT() { return WindowsVersion().dwPlatformId == VER_PLATFORM_WIN32_NT; }

BOOL DeriveKeys(const char* password) {
    std::uint32_t length = static_cast<std::uint32_t>(lstrlenA(password));
    Sha1Buffer(password, length, g_Key);
    g_CheckValue = ComputeCheckValue(password, length, g_Key);
    return TRUE;
}
