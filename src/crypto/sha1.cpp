#include "crypto/sha1.h"

#include <cstring>

namespace {

std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

std::uint32_t LoadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void StoreBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void Compress(std::uint32_t (&h)[5], const std::uint8_t* block) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t) w[t] = LoadBe32(block + 4 * t);
    for (int t = 16; t < 80; ++t) w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f, k;
        if (t < 20) { f = (b & c) | (~b & d); k = 0x5A827999; }
        else if (t < 40) { f = b ^ c ^ d; k = 0x6ED9EBA1; }
        else if (t < 60) { f = (b & c) | (b & d) | (c & d); k = 0x8F1BBCDC; }
        else { f = b ^ c ^ d; k = 0xCA62C1D6; }
        std::uint32_t temp = Rotl(a, 5) + f + e + k + w[t];
        e = d; d = c; c = Rotl(b, 30); b = a; a = temp;
    }
    h[0] += a; h[1] += b; h[2] += c; h[3] += d; h[4] += e;
}

// Feeds pieces from a source until a short piece ends the message.
template <typename NextPiece>
void Sha1Run(NextPiece nextPiece, KeyDigest& digest) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::uint64_t bits = 0;
    bool markerPlaced = false;
    std::uint8_t block[64];
    for (;;) {
        std::size_t n = nextPiece(block);
        bits += 8 * static_cast<std::uint64_t>(n);
        if (n == 64) { Compress(h, block); continue; }
        if (!markerPlaced) { block[n++] = 0x80; markerPlaced = true; }
        std::memset(block + n, 0, 64 - n);
        if (n <= 56) {
            StoreBe32(block + 56, static_cast<std::uint32_t>(bits >> 32));
            StoreBe32(block + 60, static_cast<std::uint32_t>(bits));
            Compress(h, block);
            break;
        }
        Compress(h, block);
    }
    for (int w = 0; w < 5; ++w) digest.h[w] = h[w];
}

}  // namespace

void KeyDigestToBytes(const KeyDigest& digest, std::uint8_t (&bytes)[kKeyDigestBytes]) {
    for (int w = 0; w < 5; ++w)
        for (int b = 0; b < 4; ++b) bytes[4 * w + b] = static_cast<std::uint8_t>(digest.h[w] >> (8 * b));
}

KeyDigest KeyDigestFromBytes(const std::uint8_t (&bytes)[kKeyDigestBytes]) {
    KeyDigest digest{};
    for (int w = 0; w < 5; ++w)
        for (int b = 0; b < 4; ++b) digest.h[w] |= std::uint32_t{bytes[4 * w + b]} << (8 * b);
    return digest;
}

void KeyDigestToText(const KeyDigest& digest, char (&text)[kKeyDigestTextLength + 1]) {
    static const char kHex[] = "0123456789abcdef";
    for (int w = 0; w < 5; ++w)
        for (int nibble = 0; nibble < 8; ++nibble) text[8 * w + nibble] = kHex[(digest.h[w] >> (28 - 4 * nibble)) & 0xF];
    text[kKeyDigestTextLength] = '\0';
}

void Sha1Buffer(const void* data, std::uint32_t length, KeyDigest& digest) {
    const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t remaining = length;
    Sha1Run([&](std::uint8_t* block) {
        std::size_t n = remaining < 64 ? remaining : 64;
        if (n) std::memcpy(block, p, n);
        p += n;
        remaining -= static_cast<std::uint32_t>(n);
        return n;
    }, digest);
}

void Sha1Stream(std::FILE* stream, KeyDigest& digest) {
    Sha1Run([&](std::uint8_t* block) { return std::fread(block, 1, 64, stream); }, digest);
}

int Sha1File(const char* fileName, KeyDigest& digest) {
    std::FILE* f = std::fopen(fileName, "rb");
    if (!f) {
        for (auto& word : digest.h) word = 0xdeadbeef;
        return -1;
    }
    Sha1Stream(f, digest);
    std::fclose(f);
    return 0;
}
