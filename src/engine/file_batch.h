#pragma once
// Small files, transformed several at a time. Each is read whole, once; the
// records of all of them go to the journal in one write; each is XORed in
// memory and written back; then their flushes go to the disk together. A
// run of many small files then waits for the disk about twice per batch
// instead of twice per file, and every file keeps what a file on its own
// is promised: its record is on disk before its first byte changes, and its
// bytes are on disk before anything renames it.
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
    std::unique_ptr<ExclusiveFile> file;  // open until the batch has transformed it
    std::vector<std::uint8_t> bytes;      // its contents
    FileTime lastWrite;                   // kept, and handed back for an undo
    JournalRecord record;                 // with its path, new name, direction and fingerprint
    ContentsResult result = ContentsResult::Done;
};

class FileBatch {
public:
    bool Empty() const { return files_.empty(); }
    bool Full() const { return files_.size() >= kBatchFiles || bytes_ >= kBatchBytes; }
    // Whether a file of the batch has the name `folded` (as the file system folds it).
    bool Holds(const PathString& folded) const;

    // Reads the open file whole and adds it; Failed when it cannot be read
    // (it is closed, unchanged). `record` names the file; the rest of it is
    // filled in here.
    ContentsResult Add(FileJob job, PathString folded, std::unique_ptr<ExclusiveFile> file, JournalRecord record);

    // Transforms the batch's files, each of them whole or not at all, and
    // closes them: with a journal (`journal.store`), their records first.
    // Hands back the files it took, in order, each with its result. A write
    // that fails ends the batch's writes there: the file is put back, and
    // the files after it stay in the batch, untouched, their records let go.
    std::vector<BatchedFile> Transform(const Keystream& keystream, const JournalContext& journal, FlushCrew& crew,
                                       RunUser& user);

    // Closes the files still in the batch, untouched: the run stops.
    void Drop();

private:
    std::vector<BatchedFile> files_;
    std::vector<PathString> folded_;  // their names, folded
    std::uint64_t bytes_ = 0;
};
