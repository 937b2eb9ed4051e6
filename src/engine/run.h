#pragma once
// A run of Encrypt or Decrypt over a selection: the walk of each selected
// path, every file's transform and rename, files with several names, and what
// was passed over, reported once at the end.
//
// Order: the selection's paths in turn; a folder depth first, its files in
// listing order, then each of its subfolders completely. Folders whose names
// begin with a dot are not entered, nor are links: a junction or symbolic
// link may lead out of the selection.
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "crypto/sha1.h"
#include "engine/contents.h"
#include "engine/deferred_clear.h"
#include "engine/file_batch.h"
#include "engine/file_job.h"
#include "engine/file_system.h"
#include "engine/journal.h"
#include "engine/run_user.h"

class TransformRun {
public:
    // `buffer` is one block of the transform; `key` must outlive the run.
    TransformRun(FileSystem& fileSystem, RunUser& user, const KeyDigest& key, std::span<std::uint8_t> buffer,
                 bool encrypt);
    // A run torn down by an exception leaves its journal as it stands, as a
    // killed one would: the next run sorts it out.
    ~TransformRun() {
        if (std::uncaught_exceptions() == 0) SettleJournal();
    }
    TransformRun(const TransformRun&) = delete;
    TransformRun& operator=(const TransformRun&) = delete;

    // Keeps a journal of each file in hand in `store`, so that a run killed
    // part way leaves nothing a later run cannot make whole. `fingerprint`
    // identifies the key (the stored check value); it is never the key.
    // `stretch`: the bytes between two checkpoints.
    void UseJournal(JournalStore& store, const KeyDigest& fingerprint, std::uint64_t stretch = kJournalStretch);

    // Offers to finish each file that an earlier run left part transformed.
    // Called before the first path. False to stop the run.
    bool RecoverUnfinished();

    // One selected path, file or folder. False to stop the run.
    bool WalkPath(const PathString& path);

    // One selected path taken for a file. False to stop the run.
    bool TransformFile(const PathString& path);

    // Ends the run: asks about files whose other names lie outside it, then
    // reports what was passed over. `stopped`: the run ended early, and the
    // questions are not asked.
    void Finish(bool stopped);

private:
    // The names of one file met so far, while some are still to come.
    struct LinkGroup {
        std::vector<FileJob> names;
        std::uint32_t links = 0;
    };

    bool WalkTree(const PathString& root);
    bool WalkFolder(const PathString& folder, std::vector<PathString>& subfolders);
    bool StartFile(const PathString& path);
    bool TransformFound(FileJob job);
    bool TransformStarted(FileJob job);
    bool JoinLinkGroup(FileJob job);
    bool TransformGroup(std::vector<FileJob>& names);
    bool TransformAndRename(std::unique_ptr<ExclusiveFile> file, std::vector<FileJob>& names);
    bool Batch(FileJob job, std::unique_ptr<ExclusiveFile> file);
    bool RunBatch(bool land = true);
    bool LandBatch();
    JournalRecord RecordOf(const FileJob& job) const;
    std::optional<Question> EndFile(const FileJob& job, ContentsResult result, const FileTime& lastWrite,
                                    const JournalContext& journal);
    bool ReportFailure(ContentsResult failure, const PathString& path);
    bool MatchName(const FileJob& job);
    bool NewNameFree(const FileJob& job);
    Answer Confirm(const FileJob& job);
    Answer Ask(Question question, const PathString& path);
    bool GoOn(Question question, const PathString& path) { return Ask(question, path) == Answer::Yes; }
    bool TooLong(const PathString& path) const { return path.size() > fileSystem_.MaxPathLength(); }
    void PassOver(const PathString& path, PassedOver::Reason reason) { passedOver_.push_back({path, reason}); }
    void ClearJournal(const PathString& path) {
        if (journal_) journal_->Clear(path);
    }
    // The run's journal, with no file's record yet; none when it keeps none.
    JournalContext Journal() { return {journal_ ? &*journal_ : nullptr, nullptr, stretch_}; }
    void SettleJournal() {
        if (journal_) journal_->Settle();
    }

    FileSystem& fileSystem_;
    RunUser& user_;
    RunKeystream runKeystream_;
    PassKeep passKeep_;
    Keystream keystream_;
    bool encrypt_;
    std::optional<DeferredClear> journal_;  // none: the run keeps no journal
    FileBatch batch_;                       // small files agreed to, not yet renamed
    bool inBatch_ = false;                  // the batch's files are being ended
    FlushCrew flushCrew_;                   // gone before the batch: no flush outlives its file
    KeyDigest fingerprint_{};
    std::uint64_t stretch_ = kJournalStretch;
    std::map<FileIdentity, LinkGroup> linkGroups_;
    std::vector<FileIdentity> linkGroupOrder_;  // as first met
    std::set<FileIdentity> transformed_;        // files with several names whose contents are done
    std::set<PathString> linkNamesGiven_;       // their names after the run, folded
    std::vector<PassedOver> passedOver_;
};
