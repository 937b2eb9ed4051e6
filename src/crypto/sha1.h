#pragma once
// SHA-1 (FIPS 180-1) and the KeyDigest in which every key and check value is held.
#include <cstddef>
#include <cstdint>
#include <cstdio>

// A SHA-1 digest as the five chaining words H0..H4, each held as a number.
struct KeyDigest {
    std::uint32_t h[5];
};

inline constexpr std::size_t kKeyDigestBytes = 20;
inline constexpr std::size_t kKeyDigestTextLength = 40;

// Byte form: the five words in order, each least-significant byte first.
// This is the RC4 key and what the registry stores.
void KeyDigestToBytes(const KeyDigest& digest, std::uint8_t (&bytes)[kKeyDigestBytes]);
KeyDigest KeyDigestFromBytes(const std::uint8_t (&bytes)[kKeyDigestBytes]);

// Text form: "%08lx" for each word, 40 lowercase hex digits plus a terminator;
// equal to the standard hexadecimal SHA-1 digest.
void KeyDigestToText(const KeyDigest& digest, char (&text)[kKeyDigestTextLength + 1]);

// SHA-1 of data that arrives in pieces: Sha1Init, then Sha1Update with each
// piece in turn, then Sha1Final; the digest is that of the pieces joined.
// The context holds the data's last partial block until Sha1Final wipes it,
// so a context given up before then is the caller's to wipe.
struct Sha1Context {
    std::uint32_t h[5];
    std::uint64_t length;  // bytes so far
    std::uint32_t w[80];   // the block being filled, widened in place into the schedule
};

void Sha1Init(Sha1Context& context);
void Sha1Update(Sha1Context& context, const void* data, std::size_t length);
void Sha1Final(Sha1Context& context, KeyDigest& digest);

// The digest of one buffer, in one call.
void Sha1Buffer(const void* data, std::uint32_t length, KeyDigest& digest);
// Reads the stream from its position to its end; the stream stays open.
void Sha1Stream(std::FILE* stream, KeyDigest& digest);
// 0 on success; -1 with all five words 0xdeadbeef when the file cannot be opened.
int Sha1File(const char* fileName, KeyDigest& digest);
