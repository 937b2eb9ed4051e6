#pragma once
// What a file's contents become: RC4 under `key` over the whole of them, in
// one piece, as the tests work it out for themselves.
#include <cstdint>
#include <string>

#include "crypto/rc4.h"
#include "crypto/sha1.h"

namespace vftest {

inline std::string Rc4Whole(const KeyDigest& key, std::string bytes) {
    std::uint8_t keyBytes[kKeyDigestBytes];
    KeyDigestToBytes(key, keyBytes);
    Rc4State state;
    Rc4Init(keyBytes, sizeof keyBytes, state);
    Rc4Crypt(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::int32_t>(bytes.size()), state);
    return bytes;
}

}  // namespace vftest
