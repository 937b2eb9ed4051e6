#pragma once
// Small files, transformed several at a time. Each is read whole, once; the
// records of all of them go to the journal in one write; each is XORed in
// memory and written back; then their flushes go to the disk together,
// while the run reads the next batch, and the batch lands (is renamed) once
// they have ended. A run of many small files then waits for the disk about
// once per batch instead of twice per file, and every file keeps what a
// file on its own is promised: its record is on disk before its first byte
// changes, and its bytes are on disk before anything renames it.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/contents.h"
#include "engine/file_job.h"
#include "engine/flush_crew.h"

// A batch holds at most so many files, and so many bytes of them.
inline constexpr std::size_t kBatchFiles = 64;
inline constexpr std::uint64_t kBatchBytes = 8u << 20;

struct BatchedFile {
    FileJob job;
    std::unique_ptr<ExclusiveFile> file;  // open until the batch lands
    std::vector<std::uint8_t> bytes;      // its contents, until written
    FileTime lastWrite;                   // kept, and handed back for an undo
    JournalRecord record;                 // with its path, new name, direction and fingerprint
    ContentsResult result = ContentsResult::Done;
};

class FileBatch {
public:
    bool Empty() const { return files_.empty(); }
    bool Full() const { return files_.size() >= kBatchFiles || bytes_ >= kBatchBytes; }
    // Whether files are written and on their way to the disk.
    bool Flying() const { return !flying_.empty(); }
    // Whether a file of the batch, or of the one flying, has the name
    // `folded` (as the file system folds it): it is open.
    bool Holds(const PathString& folded) const;

    // Reads the open file whole and adds it; Failed when it cannot be read
    // (it is closed, unchanged). `record` names the file; the rest of it is
    // filled in here.
    ContentsResult Add(FileJob job, PathString folded, std::unique_ptr<ExclusiveFile> file, JournalRecord record);

    // With a journal (`journal.store`), writes the batch's records; then
    // transforms each file and writes it back, and starts their flushes on
    // `crew`: the batch flies. A write that fails ends the writes there: the
    // file is put back, and the files after it stay in the batch, untouched,
    // their records let go. False when a file failed so: the batch is to
    // land at once. None flies before the last has landed.
    bool Start(const Keystream& keystream, const JournalContext& journal, FlushCrew& crew, RunUser& user);

    // Waits for the flying files' flushes (the user's window keeps its
    // turns), puts back any whose flush failed, and closes them all. Hands
    // them back in order, each with its result.
    std::vector<BatchedFile> Land(const Keystream& keystream, const JournalContext& journal, FlushCrew& crew,
                                  RunUser& user);

    // Closes the files not yet started, untouched: the run stops.
    void Drop();

private:
    std::vector<BatchedFile> files_;  // added, not yet started
    std::vector<PathString> folded_;  // their names, folded
    std::uint64_t bytes_ = 0;
    std::vector<BatchedFile> flying_;       // started, not yet landed
    std::vector<PathString> flyingFolded_;  // their names, folded
};
