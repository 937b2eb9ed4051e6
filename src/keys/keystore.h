#pragma once
// Key and check-value derivation, and the registry store under
// HKEY_CURRENT_USER\Software\Veilfold. The password itself is never stored.
#include <windows.h>

#include <cstdint>

#include "crypto/check_value.h"
#include "crypto/sha1.h"

// True on the NT family, where the key may be retained until shutdown.
BOOL IsWindowsNT();

// g_Key := SHA-1(password); g_CheckValue := its check value. Always TRUE.
BOOL DeriveKeys(const char* password);

// Reads "RetainKey", "RetainTime" and "HashedKey". Each lands in memory only
// when its value is complete (4, 4 and 20 bytes); anything else leaves the
// destination as it was. TRUE when a 20-byte "HashedKey" was read into `checkValue`.
BOOL ReadConfiguration(KeyDigest* checkValue);

// Reads "HashedKey" alone. TRUE when a 20-byte value was read into `checkValue`.
BOOL ReadCheckValue(KeyDigest* checkValue);

// Writes "HashedKey", creating the configuration key when absent.
BOOL WriteCheckValue(const KeyDigest* checkValue);

// TRUE when a 20-byte retained "Key" was read into `key`; otherwise `key` is untouched.
BOOL LoadRetainedKey(KeyDigest* key);

// Stores g_Key under the volatile "Software\Veilfold\Temp". TRUE when written;
// callers may ignore a failure: the key is then simply asked for next time.
BOOL StoreRetainedKey();
