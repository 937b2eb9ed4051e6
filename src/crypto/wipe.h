#pragma once
// Wiping of key material, and a digest comparison that does not leak timing.
#include <cstddef>
#include "crypto/sha1.h"

// Overwrites size bytes with zeros through a volatile pointer, so the compiler
// cannot drop the stores as dead.
void SecureWipe(void* data, std::size_t size);

template <typename T>
void SecureWipe(T& object) {
    SecureWipe(&object, sizeof object);
}

// True when all five words are equal; the time taken does not depend on where they differ.
bool KeyDigestsEqual(const KeyDigest& a, const KeyDigest& b);
