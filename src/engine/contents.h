#pragma once
// The contents of one file, transformed in place: the RC4 keystream of the
// run's key from offset 0, XORed block by block through the run's buffer,
// each block written back exactly where it was read. No header, same length,
// the last-write time kept.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "crypto/sha1.h"
#include "crypto/rc4.h"
#include "engine/background_flush.h"
#include "engine/beside.h"
#include "engine/file_system.h"
#include "engine/journal.h"
#include "engine/run_keystream.h"

class BlockTurns;
class RunUser;

// What passes keep for the whole run: the threads a long pass runs on, and
// the memory a journaled pass holds a stretch in.
struct PassKeep {
    Beside blocks;                      // a long pass's reads and writes, when a user watches
    BackgroundFlush flushes;            // its checkpoint flushes
    std::vector<std::uint8_t> stretch;  // grown to the longest stretch a pass has held
};

// What every file of a run is transformed with.
struct Keystream {
    RunKeystream& run;               // made once for the run's files
    std::span<std::uint8_t> buffer;  // one block
    PassKeep& keep;
};

// How far apart the checkpoints of a long file are: each flushes the file and
// then writes its record, and the record carries a hash of every sector in
// between.
inline constexpr std::uint64_t kJournalStretch = 16u << 20;

// From what length a pass is long: it reads and writes blocks of its own of
// kLongPassBlock bytes and, when a user watches, does so on a thread of its
// own.
inline constexpr std::uint64_t kLongPass = 4u << 20;
inline constexpr std::size_t kLongPassBlock = 256u << 10;

// Where a pass keeps its record; both null for a pass without a journal.
struct JournalContext {
    JournalStore* store = nullptr;
    JournalRecord* record = nullptr;  // the file's, with its path, new name, direction and fingerprint
    std::uint64_t stretch = kJournalStretch;
    // The same store and stretch, for the file whose record is `own`.
    JournalContext For(JournalRecord& own) const { return {store, store ? &own : nullptr, stretch}; }
};

// Reads [offset, offset + length) of `file` into `data`, or as much as the
// file holds: `have` says how much. False when a read fails.
bool ReadWhole(ExclusiveFile& file, std::uint64_t offset, std::uint8_t* data, std::size_t length, std::size_t& have);

// The RC4 state positioned `offset` bytes into the keystream.
void KeystreamAt(const Keystream& keystream, std::uint64_t offset, Rc4State& state);

enum class PassEnd { Done, Failed, Cancelled };

// Who watches a pass. The user's window gets its turns throughout, also
// while the pass waits on the disk; progress is shown against `size` (none
// when 0); and a cancellable pass ends on a Cancel taken while at most half
// of `size` is done.
struct PassWatch {
    RunUser* user = nullptr;
    std::uint64_t size = 0;
    bool cancellable = false;
};

// One pass over a stretch of an open file, block by block, each block
// written back exactly where it was read. With a journal, every
// kJournalStretch bytes the pass records the next stretch (and the hash of
// each of its sectors) before writing it, and flushes the file after. A long
// pass makes its keystream past the run's on a second thread, flushes on a
// third a few stretches behind its writes, and, when a user watches, does its
// reads and writes on a fourth: neither RC4 nor the disk holds up the other
// or the user's window.
class FilePass {
public:
    FilePass(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal);
    // Transforms [from, to), or up to the end of the file if sooner. `done`
    // receives where the bytes transformed and written end; all of them are
    // on disk when a journaled pass ends Done.
    PassEnd Run(std::uint64_t from, std::uint64_t to, const PassWatch& watch, std::uint64_t& done);

private:
    PassEnd RunBlocks(std::uint64_t from, std::uint64_t to, const PassWatch& watch, BlockTurns& turns,
                      std::uint64_t& done);

    ExclusiveFile& file_;
    const Keystream& keystream_;
    JournalContext journal_;
};

enum class ContentsResult {
    Done,         // every byte transformed, and on disk
    NotFound,     // there is no such file (any more)
    CannotOpen,   // the file could not be opened for exclusive reading and writing
    Failed,       // a read, write or flush failed part-way; the bytes already transformed were put back
    Cancelled,    // the user cancelled before half the file was done; that part was put back
    NotRestored,  // a pass failed, and so did putting the file back: part of it is transformed
};

// Opens the file for its transform; null, with NotFound or CannotOpen in
// `failure`, when it cannot be.
std::unique_ptr<ExclusiveFile> OpenForTransform(FileSystem& fileSystem, const PathString& path,
                                                ContentsResult& failure);

// Transforms the whole of the open file and flushes it, showing progress to
// `user` and taking a Cancel from it between blocks. Keeps the file's
// last-write time, which it hands back in `lastWrite` for an undo.
// `cancelled`: the run is to stop after this file, whether the file was put
// back (Cancelled) or, more than half done when the Cancel came, finished.
ContentsResult TransformContents(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal,
                                 RunUser& user, FileTime& lastWrite, bool& cancelled);

// Puts the first `done` bytes back as they were (the keystream restarts from
// a fresh state, so a second pass undoes the first) and flushes the file.
// `user`, if any, keeps its turns meanwhile.
bool RestorePass(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal, std::uint64_t done,
                 RunUser* user);

// Transforms the whole file once more, which undoes TransformContents, and
// puts back `lastWrite`. False when the file cannot be restored.
bool UndoContents(FileSystem& fileSystem, const PathString& path, const Keystream& keystream,
                  const JournalContext& journal, const FileTime& lastWrite, RunUser& user);
