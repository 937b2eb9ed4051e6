#pragma once
// The check value stored in place of the password: it tells whether a
// password is the right one, and gives nothing of the key away.
#include <cstdint>

#include "crypto/sha1.h"

// SHA-1 of the password followed by the 40-character text form of its key.
KeyDigest ComputeCheckValue(const char* password, std::uint32_t length, const KeyDigest& key);
