#pragma once
// The stored check value, which the password is verified against. On POSIX
// (posix_check_store.cpp) $XDG_CONFIG_HOME/veilfold/check, or
// ~/.config/veilfold/check: 20 bytes in the byte form the extension keeps in
// its registry, in a folder of mode 0700, the file 0600. On Windows
// (win32_check_store.cpp) the extension's own registry value, so that both
// share one password.
#include <optional>
#include <string>

#include "crypto/sha1.h"

// Where it is kept, for messages; empty when there is no home to keep it in.
std::string CheckValueLocation();

enum class CheckRead { Found, Absent, Damaged };
CheckRead ReadStoredCheckValue(KeyDigest& value);

// Written whole or not at all.
bool StoreCheckValue(const KeyDigest& value);

// The 40 hex digits of the digest's text form (KeyDigestToText), either case.
std::optional<KeyDigest> ParseCheckValueText(const std::string& text);
