#pragma once
// The stored check value: $XDG_CONFIG_HOME/veilfold/check, or
// ~/.config/veilfold/check, 20 bytes in the byte form the extension keeps in
// its registry value. Its folder is 0700 and the file 0600.
#include <optional>
#include <string>

#include "crypto/sha1.h"

// The file's path; empty when there is no home to put it in.
std::string CheckValuePath();

enum class CheckRead { Found, Absent, Damaged };
CheckRead ReadCheckValue(const std::string& path, KeyDigest& value);

// Written whole or not at all: a new file renamed over the old one.
bool WriteCheckValue(const std::string& path, const KeyDigest& value);

// The 40 hex digits of the digest's text form (KeyDigestToText), either case.
std::optional<KeyDigest> ParseCheckValueText(const std::string& text);
