#pragma once
// Test data made by formula: byte n of a pattern depends on n and a seed only.
// Over any 256 bytes every byte value occurs once; neighbouring blocks of 64
// bytes (SHA-1's) or 65535 bytes (the transform's buffer) never agree, so a
// block hashed or written in the wrong place shows; patterns of seeds below
// 256 differ at every byte, so files swapped for each other show too.
// Portable: the native crypto tests use it as well.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vftest {

inline std::uint8_t PatternByte(std::size_t n, unsigned seed = 0) {
    return static_cast<std::uint8_t>(7 * n + 3 + 101 * seed);
}

inline std::string Pattern(std::size_t length, unsigned seed = 0) {
    std::string bytes(length, '\0');
    for (std::size_t n = 0; n < length; ++n) bytes[n] = static_cast<char>(PatternByte(n, seed));
    return bytes;
}

inline std::vector<std::uint8_t> PatternBytes(std::size_t length, unsigned seed = 0) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t n = 0; n < length; ++n) bytes[n] = PatternByte(n, seed);
    return bytes;
}

}  // namespace vftest
