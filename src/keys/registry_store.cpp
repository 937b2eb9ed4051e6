// The registry half of the key store. Key paths and value names come from the
// string table. Every key is opened with full access, also just to read it: a
// configuration the user may read but not change would pin them to a check
// value that no new password can replace, so such a key counts as absent and
// the store is usable either wholly or not at all.
#include <cstring>

#include "common/messages.h"
#include "common/state.h"
#include "crypto/wipe.h"
#include "keys/keystore.h"
#include "resource.h"

namespace {

// A key under HKEY_CURRENT_USER, closed when it goes out of scope.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (handle_) RegCloseKey(handle_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(UINT pathId) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, LoadResString(g_hInstance, pathId), 0, KEY_ALL_ACCESS, &handle_) ==
               ERROR_SUCCESS;
    }

    bool Create(UINT pathId, DWORD options) {
        char noClass[] = "";
        return RegCreateKeyExA(HKEY_CURRENT_USER, LoadResString(g_hInstance, pathId), 0, noClass, options,
                               KEY_ALL_ACCESS, nullptr, &handle_, nullptr) == ERROR_SUCCESS;
    }

    // Copies value `nameId` to `destination` only when it is exactly `size`
    // bytes: a short or long value must not leave part of itself behind.
    bool ReadExact(UINT nameId, void* destination, DWORD size) const {
        BYTE value[kKeyDigestBytes];
        DWORD got = size;
        bool complete = size <= sizeof value &&
                        RegQueryValueExA(handle_, LoadResString(g_hInstance, nameId), nullptr, nullptr, value, &got) ==
                            ERROR_SUCCESS &&
                        got == size;
        if (complete) std::memcpy(destination, value, size);
        SecureWipe(value);
        return complete;
    }

    bool ReadDigest(UINT nameId, KeyDigest* destination) const {
        std::uint8_t bytes[kKeyDigestBytes];
        bool complete = ReadExact(nameId, bytes, sizeof bytes);
        if (complete) *destination = KeyDigestFromBytes(bytes);
        SecureWipe(bytes);
        return complete;
    }

    bool WriteDigest(UINT nameId, const KeyDigest& digest) const {
        std::uint8_t bytes[kKeyDigestBytes];
        KeyDigestToBytes(digest, bytes);
        bool written = RegSetValueExA(handle_, LoadResString(g_hInstance, nameId), 0, REG_BINARY, bytes,
                                      sizeof bytes) == ERROR_SUCCESS;
        SecureWipe(bytes);
        return written;
    }

private:
    HKEY handle_ = nullptr;
};

}  // namespace

BOOL ReadConfiguration(KeyDigest* checkValue) {
    RegistryKey configuration;
    if (!configuration.Open(IDS_CONFIGURATION_KEY)) return FALSE;
    // The options are optional: a missing or malformed one keeps the value in memory.
    configuration.ReadExact(IDS_RETAINKEY_VALUE, &g_bRetainKey, sizeof g_bRetainKey);
    configuration.ReadExact(IDS_RETAINTIME_VALUE, &g_dwRetainTime, sizeof g_dwRetainTime);
    return configuration.ReadDigest(IDS_HASHEDKEY_VALUE, checkValue);
}

BOOL ReadCheckValue(KeyDigest* checkValue) {
    RegistryKey configuration;
    return configuration.Open(IDS_CONFIGURATION_KEY) && configuration.ReadDigest(IDS_HASHEDKEY_VALUE, checkValue);
}

BOOL WriteCheckValue(const KeyDigest* checkValue) {
    RegistryKey configuration;
    return configuration.Create(IDS_CONFIGURATION_KEY, REG_OPTION_NON_VOLATILE) &&
           configuration.WriteDigest(IDS_HASHEDKEY_VALUE, *checkValue);
}

BOOL LoadRetainedKey(KeyDigest* key) {
    RegistryKey retained;
    return retained.Open(IDS_TEMP_KEY) && retained.ReadDigest(IDS_KEY_VALUE, key);
}

BOOL StoreRetainedKey() {
    // Volatile: the platform keeps the key in memory only, so it is gone after a restart.
    RegistryKey retained;
    return retained.Create(IDS_TEMP_KEY, REG_OPTION_VOLATILE) && retained.WriteDigest(IDS_KEY_VALUE, g_Key);
}
