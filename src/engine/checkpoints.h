#pragma once
// The journal's side of a pass. Before a stretch is written, a hash of each
// of its sectors goes into the record; after, the stretch goes to disk. A
// long pass flushes in the background, a few stretches behind its writes,
// and its record keeps every stretch in flight whose flush has not ended.
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "engine/background_flush.h"
#include "engine/contents.h"

class Checkpoints {
public:
    // With `background`, flushes go to it; without, each is taken in turn.
    Checkpoints(ExclusiveFile& file, const JournalContext& journal, BackgroundFlush* background);
    // Waits for the flushes asked for, however the pass ended.
    ~Checkpoints();
    Checkpoints(const Checkpoints&) = delete;
    Checkpoints& operator=(const Checkpoints&) = delete;

    // Records the stretch from `start` as in flight: `bytes` are its
    // contents, not yet written.
    bool Before(std::uint64_t start, std::span<const std::uint8_t> bytes);
    // The stretch recorded last is written: to disk with it.
    bool After();
    // Waits for the flushes asked for; false if one failed.
    bool Finish();

private:
    // Written before the stretch in hand, and maybe not yet on disk: at
    // most this many, so that a slow disk holds up the pass rather than
    // letting the stretches in flight grow without end.
    static constexpr std::size_t kUnflushedAtMost = 3;
    struct Unflushed {
        std::uint64_t start = 0;
        std::vector<std::uint32_t> hashes;  // of its sectors before they were written
        std::uint64_t flush = 0;            // the number of the flush that takes it to disk
    };

    ExclusiveFile& file_;
    const JournalContext& journal_;
    BackgroundFlush* flush_;
    Unflushed current_;
    std::deque<Unflushed> unflushed_;  // oldest first
};
