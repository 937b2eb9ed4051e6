#include "crypto/sha1.h"

#include <cstring>

#include "crypto/byte_order.h"
#include "crypto/wipe.h"

namespace {

constexpr std::uint32_t kInitialHash[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

constexpr std::size_t kBlockBytes = 64;
constexpr std::size_t kLengthOffset = 56;  // where the 64-bit bit count starts in the last block

// One block widened in place: words 0..15 are the message block, 16..79 the schedule.
using Schedule = std::uint32_t[80];

inline std::uint8_t* BlockBytes(Schedule& w) { return reinterpret_cast<std::uint8_t*>(w); }

// The per-step constants of the four groups of twenty steps.
constexpr std::uint32_t kChooseConstant = 0x5A827999;
constexpr std::uint32_t kParity1Constant = 0x6ED9EBA1;
constexpr std::uint32_t kMajorityConstant = 0x8F1BBCDC;
constexpr std::uint32_t kParity2Constant = 0xCA62C1D6;

inline std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t Choose(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return ((c ^ d) & b) ^ d; }
inline std::uint32_t Parity(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return b ^ c ^ d; }
inline std::uint32_t Majority(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return (b & c) | ((b | c) & d); }

// Converts the sixteen message words from big-endian bytes in place. Each pass
// reads four words' bytes before writing any of them back.
inline void ConvertBlockToWords(Schedule& w) {
    const std::uint8_t* bytes = BlockBytes(w);
    for (int t = 0; t < 16; t += 4) {
        const std::uint32_t w0 = LoadBe32(bytes + 4 * t);
        const std::uint32_t w1 = LoadBe32(bytes + 4 * t + 4);
        const std::uint32_t w2 = LoadBe32(bytes + 4 * t + 8);
        const std::uint32_t w3 = LoadBe32(bytes + 4 * t + 12);
        w[t] = w0;
        w[t + 1] = w1;
        w[t + 2] = w2;
        w[t + 3] = w3;
    }
}

// Message word t of the schedule. Words 16..79 are written in place behind the
// block's sixteen when their step reaches them, while their inputs are at hand.
// The newest input, w[t - 3], comes last and straight from the register that
// computed it; the three older ones are read back through `older`, the same
// array reached through a pointer the compiler cannot see through, so that it
// stops holding a dozen old words in registers and spilling them to the stack.
template <int t>
inline std::uint32_t ScheduleWord(std::uint32_t* w, const std::uint32_t* older) {
    if constexpr (t < 16)
        return w[t];
    else
        return w[t] = Rotl(older[t - 16] ^ older[t - 14] ^ older[t - 8] ^ w[t - 3], 1);
}

// One step. The roles of a..e rotate from step to step instead of values moving
// between variables: the new "a" accumulates in e, and b is rotated in place.
// The terms are added oldest first, so that the newest, Rotl(a, 5), is the
// only one left to wait for when a arrives.
#define VF_STEP(f, k, a, b, c, d, e, t)       \
    do {                                      \
        e += ScheduleWord<t>(w, older) + (k); \
        e += f(b, c, d);                      \
        e += Rotl(a, 5);                      \
        b = Rotl(b, 30);                      \
    } while (0)

#define VF_ROUND1(a, b, c, d, e, t) VF_STEP(Choose, kChooseConstant, a, b, c, d, e, t)
#define VF_ROUND2(a, b, c, d, e, t) VF_STEP(Parity, kParity1Constant, a, b, c, d, e, t)
#define VF_ROUND3(a, b, c, d, e, t) VF_STEP(Majority, kMajorityConstant, a, b, c, d, e, t)
#define VF_ROUND4(a, b, c, d, e, t) VF_STEP(Parity, kParity2Constant, a, b, c, d, e, t)

// The SHA-1 compression function over a block whose words are already converted:
// all 80 steps written out, five to a line, one line per turn of the roles.
void Compress(std::uint32_t (&h)[5], Schedule& schedule) {
    std::uint32_t* const w = schedule;
    std::uint32_t* volatile const opaque = schedule;  // one volatile read per block; see ScheduleWord
    const std::uint32_t* const older = opaque;
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];

    // Five steps a line, so that the roles are seen to rotate.
    // clang-format off
    VF_ROUND1(a, b, c, d, e, 0); VF_ROUND1(e, a, b, c, d, 1); VF_ROUND1(d, e, a, b, c, 2); VF_ROUND1(c, d, e, a, b, 3); VF_ROUND1(b, c, d, e, a, 4);
    VF_ROUND1(a, b, c, d, e, 5); VF_ROUND1(e, a, b, c, d, 6); VF_ROUND1(d, e, a, b, c, 7); VF_ROUND1(c, d, e, a, b, 8); VF_ROUND1(b, c, d, e, a, 9);
    VF_ROUND1(a, b, c, d, e, 10); VF_ROUND1(e, a, b, c, d, 11); VF_ROUND1(d, e, a, b, c, 12); VF_ROUND1(c, d, e, a, b, 13); VF_ROUND1(b, c, d, e, a, 14);
    VF_ROUND1(a, b, c, d, e, 15); VF_ROUND1(e, a, b, c, d, 16); VF_ROUND1(d, e, a, b, c, 17); VF_ROUND1(c, d, e, a, b, 18); VF_ROUND1(b, c, d, e, a, 19);

    VF_ROUND2(a, b, c, d, e, 20); VF_ROUND2(e, a, b, c, d, 21); VF_ROUND2(d, e, a, b, c, 22); VF_ROUND2(c, d, e, a, b, 23); VF_ROUND2(b, c, d, e, a, 24);
    VF_ROUND2(a, b, c, d, e, 25); VF_ROUND2(e, a, b, c, d, 26); VF_ROUND2(d, e, a, b, c, 27); VF_ROUND2(c, d, e, a, b, 28); VF_ROUND2(b, c, d, e, a, 29);
    VF_ROUND2(a, b, c, d, e, 30); VF_ROUND2(e, a, b, c, d, 31); VF_ROUND2(d, e, a, b, c, 32); VF_ROUND2(c, d, e, a, b, 33); VF_ROUND2(b, c, d, e, a, 34);
    VF_ROUND2(a, b, c, d, e, 35); VF_ROUND2(e, a, b, c, d, 36); VF_ROUND2(d, e, a, b, c, 37); VF_ROUND2(c, d, e, a, b, 38); VF_ROUND2(b, c, d, e, a, 39);

    VF_ROUND3(a, b, c, d, e, 40); VF_ROUND3(e, a, b, c, d, 41); VF_ROUND3(d, e, a, b, c, 42); VF_ROUND3(c, d, e, a, b, 43); VF_ROUND3(b, c, d, e, a, 44);
    VF_ROUND3(a, b, c, d, e, 45); VF_ROUND3(e, a, b, c, d, 46); VF_ROUND3(d, e, a, b, c, 47); VF_ROUND3(c, d, e, a, b, 48); VF_ROUND3(b, c, d, e, a, 49);
    VF_ROUND3(a, b, c, d, e, 50); VF_ROUND3(e, a, b, c, d, 51); VF_ROUND3(d, e, a, b, c, 52); VF_ROUND3(c, d, e, a, b, 53); VF_ROUND3(b, c, d, e, a, 54);
    VF_ROUND3(a, b, c, d, e, 55); VF_ROUND3(e, a, b, c, d, 56); VF_ROUND3(d, e, a, b, c, 57); VF_ROUND3(c, d, e, a, b, 58); VF_ROUND3(b, c, d, e, a, 59);

    VF_ROUND4(a, b, c, d, e, 60); VF_ROUND4(e, a, b, c, d, 61); VF_ROUND4(d, e, a, b, c, 62); VF_ROUND4(c, d, e, a, b, 63); VF_ROUND4(b, c, d, e, a, 64);
    VF_ROUND4(a, b, c, d, e, 65); VF_ROUND4(e, a, b, c, d, 66); VF_ROUND4(d, e, a, b, c, 67); VF_ROUND4(c, d, e, a, b, 68); VF_ROUND4(b, c, d, e, a, 69);
    VF_ROUND4(a, b, c, d, e, 70); VF_ROUND4(e, a, b, c, d, 71); VF_ROUND4(d, e, a, b, c, 72); VF_ROUND4(c, d, e, a, b, 73); VF_ROUND4(b, c, d, e, a, 74);
    VF_ROUND4(a, b, c, d, e, 75); VF_ROUND4(e, a, b, c, d, 76); VF_ROUND4(d, e, a, b, c, 77); VF_ROUND4(c, d, e, a, b, 78); VF_ROUND4(b, c, d, e, a, 79);
    // clang-format on

    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

#undef VF_ROUND1
#undef VF_ROUND2
#undef VF_ROUND3
#undef VF_ROUND4
#undef VF_STEP

// The context's block is full: fold it into the chaining words.
inline void CompressBlock(Sha1Context& context) {
    ConvertBlockToWords(context.w);
    Compress(context.h, context.w);
}

}  // namespace

void KeyDigestToBytes(const KeyDigest& digest, std::uint8_t (&bytes)[kKeyDigestBytes]) {
    for (int w = 0; w < 5; ++w) StoreLe32(bytes + 4 * w, digest.h[w]);
}

KeyDigest KeyDigestFromBytes(const std::uint8_t (&bytes)[kKeyDigestBytes]) {
    KeyDigest digest;
    for (int w = 0; w < 5; ++w) digest.h[w] = LoadLe32(bytes + 4 * w);
    return digest;
}

void KeyDigestToText(const KeyDigest& digest, char (&text)[kKeyDigestTextLength + 1]) {
    static const char kHexDigits[] = "0123456789abcdef";
    for (int w = 0; w < 5; ++w)
        for (int nibble = 0; nibble < 8; ++nibble)
            text[8 * w + nibble] = kHexDigits[(digest.h[w] >> (28 - 4 * nibble)) & 0xF];
    text[kKeyDigestTextLength] = '\0';
}

void Sha1Init(Sha1Context& context) {
    std::memcpy(context.h, kInitialHash, sizeof context.h);
    context.length = 0;
}

void Sha1Update(Sha1Context& context, const void* data, std::size_t length) {
    if (length == 0) return;
    const std::uint8_t* next = static_cast<const std::uint8_t*>(data);
    std::uint8_t* const block = BlockBytes(context.w);
    const std::size_t filled = static_cast<std::size_t>(context.length % kBlockBytes);
    context.length += length;
    if (filled != 0) {
        // Top up the block that an earlier piece left partly filled.
        const std::size_t piece = length < kBlockBytes - filled ? length : kBlockBytes - filled;
        std::memcpy(block + filled, next, piece);
        if (filled + piece < kBlockBytes) return;
        CompressBlock(context);
        next += piece;
        length -= piece;
    }
    for (; length >= kBlockBytes; next += kBlockBytes, length -= kBlockBytes) {
        std::memcpy(block, next, kBlockBytes);
        CompressBlock(context);
    }
    if (length != 0) std::memcpy(block, next, length);
}

void Sha1Final(Sha1Context& context, KeyDigest& digest) {
    std::uint8_t* const block = BlockBytes(context.w);
    std::size_t filled = static_cast<std::size_t>(context.length % kBlockBytes);
    block[filled++] = 0x80;
    if (filled > kLengthOffset) {
        // No room left for the bit count: it goes into a block of its own.
        std::memset(block + filled, 0, kBlockBytes - filled);
        CompressBlock(context);
        filled = 0;
    }
    std::memset(block + filled, 0, kLengthOffset - filled);
    StoreBe64(block + kLengthOffset, 8 * context.length);
    CompressBlock(context);
    std::memcpy(digest.h, context.h, sizeof digest.h);
    // Passwords pass through here: leave no copy of them behind.
    SecureWipe(context);
}

void Sha1Buffer(const void* data, std::uint32_t length, KeyDigest& digest) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, data, length);
    Sha1Final(context, digest);
}

void Sha1Stream(std::FILE* stream, KeyDigest& digest) {
    Sha1Context context;
    Sha1Init(context);
    std::uint8_t buffer[64 * kBlockBytes];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) != 0) Sha1Update(context, buffer, got);
    Sha1Final(context, digest);
    SecureWipe(buffer);
}

int Sha1File(const char* fileName, KeyDigest& digest) {
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) {
        for (std::uint32_t& word : digest.h) word = 0xdeadbeef;
        return -1;
    }
    Sha1Stream(file, digest);
    std::fclose(file);
    return 0;
}
