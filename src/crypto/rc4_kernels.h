#pragma once
// The keystream loops behind Rc4Crypt. Which one runs fastest differs between
// CPU generations, so Rc4Crypt times them on first use and keeps the fastest;
// they are declared here so the tests and the benchmark can reach each one.
#include <cstdint>

#include "crypto/rc4.h"

namespace rc4_kernels {

// Same contract as Rc4Crypt: length bytes of buffer XORed in place with the
// keystream; length <= 0 does nothing.
using Kernel = void (*)(std::uint8_t* buffer, std::int32_t length, Rc4State& state);

struct NamedKernel {
    const char* name;  // table entry size and how many S[i] are read ahead: "byte4", "word1"
    Kernel crypt;
};

constexpr int kCount = 3;
// Index 0 is the byte-table kernel, also used for short buffers.
extern const NamedKernel kAll[kCount];

// Times every kernel on scratch data and returns the index of the fastest.
int Calibrate();

// The kernel Rc4Crypt uses for buffers of kCalibratedFrom bytes or more,
// calibrated once per process on first use.
const NamedKernel& Chosen();
// Below this, copying the permutation into a word table costs more than it saves.
constexpr std::int32_t kCalibratedFrom = 1024;

}  // namespace rc4_kernels
