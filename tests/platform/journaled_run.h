#pragma once
// The run the kill test starts in a process of its own and finishes in
// another: Encrypt over one file, with the journal, on the real file system.
#include <cstdint>
#include <string>

#include "crypto/sha1.h"

namespace vftest {

inline constexpr std::uint64_t kKillStretch = 1u << 20;  // several checkpoints in a file of a few MiB
inline constexpr std::size_t kKillBlock = 64u << 10;

KeyDigest KillTestKey();
KeyDigest KillTestFingerprint();

// Encrypts `file` with its journal in `journalFolder`; with `killAtByte`,
// the process is killed (SIGKILL) once that many bytes of the file have
// been written, a write that passes it cut short there.
void RunJournaled(const std::string& file, const std::string& journalFolder, std::uint64_t killAtByte,
                  const KeyDigest& key = KillTestKey(), const KeyDigest& fingerprint = KillTestFingerprint());

}  // namespace vftest
