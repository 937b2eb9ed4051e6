#pragma once
// The journal of a file in hand: on disk before the file's first byte
// changes, and enough to make the file whole after the run is killed or the
// power fails. No key is in it; the key's fingerprint is the stored check
// value, which only tells whether a key is the right one.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "crypto/sha1.h"
#include "engine/file_system.h"

// The unit whose state recovery decides on: written whole, or not at all, or torn.
inline constexpr std::size_t kJournalSector = 4096;

struct JournalRecord {
    std::uint64_t sequence = 0;  // set by a store that keeps more than one copy
    PathString path;             // the file, under the name it had when the pass began
    PathString newName;          // the name it takes once transformed; empty: it keeps its name
    std::uint64_t size = 0;
    FileTime lastWrite;  // put back once the file is whole
    bool encrypt = true;
    bool restoring = false;  // the pass puts back what a failed pass had transformed
    KeyDigest fingerprint{};
    std::uint64_t regionEnd = 0;   // the pass transforms [0, regionEnd)
    std::uint64_t reached = 0;     // [0, reached) is transformed and on disk
    std::uint64_t stretchEnd = 0;  // [reached, stretchEnd) may be partly written
    // A hash of each sector of that stretch as it was before the pass wrote it.
    std::vector<std::uint32_t> stretchHashes;
};

// A record as bytes, with a checksum: a record cut short reads as none.
std::vector<std::uint8_t> EncodeRecord(const JournalRecord& record);
bool DecodeRecord(const std::vector<std::uint8_t>& bytes, JournalRecord& record);

// The records of every file a store has in hand, as one write: numbered by
// `sequence`, with one checksum over all. Decoding also takes a single
// record as EncodeRecord writes it.
std::vector<std::uint8_t> EncodeRecords(std::span<const JournalRecord> records, std::uint64_t sequence);
bool DecodeRecords(const std::vector<std::uint8_t>& bytes, std::vector<JournalRecord>& records,
                   std::uint64_t& sequence);

// The newest whole set of a store's pair of copies, or false when neither
// reads back whole. An empty set marks a pair whose files were made whole.
bool NewestRecords(const std::vector<std::uint8_t> (&copies)[2], std::vector<JournalRecord>& newest);

// Drops the record of `path` from `records`; false when there was none.
bool DropRecord(std::vector<JournalRecord>& records, const PathString& path);

// What the pair of an ended run holds, as a store that takes it over keeps
// track of it.
struct LeftRecords {
    std::vector<JournalRecord> records;
    std::uint64_t sequence = 0;  // of the set they were read from
};

// A fast hash of one sector's bytes: tells the sector's two states apart.
std::uint32_t SectorHash(const std::uint8_t* data, std::size_t length);
// The hash of each sector of `bytes`, the last one maybe short.
std::vector<std::uint32_t> SectorHashes(std::span<const std::uint8_t> bytes);

// Where the records live, keyed by path. A run's store holds the records of
// the files it has in hand, written together: each write replaces them all.
class JournalStore {
public:
    virtual ~JournalStore() = default;
    // Makes `records` durable, in one write, replacing all the store held.
    virtual bool WriteAll(std::span<const JournalRecord> records) = 0;
    bool Write(const JournalRecord& record) { return WriteAll({&record, 1}); }
    // The file is whole again: its record goes, and the store's others stay.
    virtual void Clear(const PathString& path) = 0;
    // The records that ended runs left, not those of runs still going.
    virtual std::vector<JournalRecord> Unfinished() = 0;
};
