#include "engine/run.h"

#include <algorithm>
#include <utility>

#include "crypto/wipe.h"
#include "engine/recovery.h"

namespace {

// What the user is told of a file that failed; nothing of one cancelled.
std::optional<Question> FailureQuestion(ContentsResult failure) {
    switch (failure) {
    case ContentsResult::NotFound: return Question::NotFound;
    case ContentsResult::CannotOpen: return Question::CannotOpen;
    case ContentsResult::NotRestored: return Question::NotRestored;
    case ContentsResult::Cancelled: return std::nullopt;
    case ContentsResult::Failed:
    case ContentsResult::Done: break;
    }
    return Question::CannotTransform;
}

}  // namespace

TransformRun::TransformRun(FileSystem& fileSystem, RunUser& user, const KeyDigest& key, std::span<std::uint8_t> buffer,
                           bool encrypt)
    : fileSystem_(fileSystem),
      user_(user),
      runKeystream_(key),
      keystream_{runKeystream_, buffer, passKeep_},
      encrypt_(encrypt) {}

// Before the user is asked anything, every file agreed to so far is done;
// and while the user thinks, no record of a file already whole stays behind.
Answer TransformRun::Ask(Question question, const PathString& path) {
    if (!RunBatch()) return Answer::Cancel;
    SettleJournal();
    return user_.Ask(question, path);
}

void TransformRun::UseJournal(JournalStore& store, const KeyDigest& fingerprint, std::uint64_t stretch) {
    journal_.emplace(store);
    fingerprint_ = fingerprint;
    stretch_ = stretch;
}

bool TransformRun::RecoverUnfinished() {
    if (!journal_) return true;
    for (JournalRecord& record : journal_->Unfinished()) {
        if (FinishedAlready(fileSystem_, record)) {
            journal_->Clear(record.path);
            continue;
        }
        switch (Ask(Question::Unfinished, record.path)) {
        case Answer::No: continue;  // asked again next time
        case Answer::Cancel: return false;
        case Answer::Yes: break;
        }
        if (!KeyDigestsEqual(record.fingerprint, fingerprint_)) {
            if (!GoOn(Question::UnfinishedOtherKey, record.path)) return false;
            continue;
        }
        if (!StartFile(record.path)) return false;
        PathString path = record.path;
        bool goOn = true;
        switch (RecoverFile(fileSystem_, *journal_, keystream_, std::move(record), user_)) {
        case Recovery::Completed: break;
        case Recovery::Missing:
        case Recovery::Changed: goOn = GoOn(Question::UnfinishedChanged, path); break;
        case Recovery::Torn: goOn = GoOn(Question::UnfinishedTorn, path); break;
        case Recovery::Failed: goOn = GoOn(Question::NotRestored, path); break;
        }
        if (!goOn) return false;
    }
    return true;
}

bool TransformRun::WalkPath(const PathString& path) {
    if (TooLong(path)) return GoOn(Question::PathTooLong, path);
    EntryFacts facts;
    if (fileSystem_.Look(path, facts) != FsStatus::Ok) return GoOn(Question::NotFound, path);
    if (IsLinkTag(facts.reparseTag)) {
        PassOver(path, PassedOver::Reason::Link);
        return true;
    }
    if (!facts.folder) return TransformFound(MakeFileJob(path, facts, encrypt_, fileSystem_.MaxPathLength(), nullptr));
    if (LeafName(path).starts_with(VF_PATH('.'))) {
        PassOver(path, PassedOver::Reason::DotFolder);
        return true;
    }
    return WalkTree(path);
}

bool TransformRun::TransformFile(const PathString& path) {
    if (!StartFile(path)) return false;
    if (TooLong(path)) return GoOn(Question::PathTooLong, path);
    EntryFacts facts;
    if (fileSystem_.Look(path, facts) != FsStatus::Ok) return GoOn(Question::NotFound, path);
    return TransformStarted(MakeFileJob(path, facts, encrypt_, fileSystem_.MaxPathLength(), nullptr));
}

// Depth first without recursion: a tree as deep as the longest path allows
// must not exhaust the stack of the thread it runs on.
bool TransformRun::WalkTree(const PathString& root) {
    struct Pending {
        std::vector<PathString> folders;
        std::size_t next = 0;
    };
    std::vector<Pending> stack;
    PathString folder = root;
    for (;;) {
        Pending subfolders;
        if (!WalkFolder(folder, subfolders.folders)) return false;
        stack.push_back(std::move(subfolders));
        while (!stack.empty() && stack.back().next == stack.back().folders.size()) stack.pop_back();
        if (stack.empty()) return true;
        folder = std::move(stack.back().folders[stack.back().next++]);
    }
}

// Transforms the folder's files and hands back the subfolders to walk.
bool TransformRun::WalkFolder(const PathString& folder, std::vector<PathString>& subfolders) {
    if (user_.Cancelled()) return false;
    std::vector<ListedEntry> entries;
    if (fileSystem_.List(folder, entries) != FsStatus::Ok) {
        PassOver(folder, PassedOver::Reason::Unlisted);
        return true;
    }
    // Every name is known before the first file takes its new one, so new
    // names never come back to this listing.
    FolderNames names(fileSystem_);
    for (const ListedEntry& entry : entries) names.Add(entry.name);

    std::size_t maxPath = fileSystem_.MaxPathLength();
    for (const ListedEntry& entry : entries) {
        if (entry.facts.folder) continue;
        PathString path = ChildPath(folder, entry.name);
        bool goOn = TooLong(path)
                        ? GoOn(Question::PathTooLong, path)
                        : TransformFound(MakeFileJob(std::move(path), entry.facts, encrypt_, maxPath, &names));
        if (!goOn) return false;
    }
    for (const ListedEntry& entry : entries) {
        if (!entry.facts.folder) continue;
        PathString path = ChildPath(folder, entry.name);
        if (entry.name.starts_with(VF_PATH('.'))) {
            PassOver(path, PassedOver::Reason::DotFolder);
        } else if (IsLinkTag(entry.facts.reparseTag)) {
            PassOver(path, PassedOver::Reason::Link);
        } else if (TooLong(path)) {
            if (!GoOn(Question::PathTooLong, path)) return false;
        } else {
            subfolders.push_back(std::move(path));
        }
    }
    return true;
}

// Every file starts here: the user gets a turn (and a Cancel with it), then
// the file is shown. False when the run is cancelled.
bool TransformRun::StartFile(const PathString& path) {
    if (user_.Cancelled()) return false;
    user_.ShowFile(path);
    return true;
}

bool TransformRun::TransformFound(FileJob job) {
    if (!StartFile(job.path)) return false;
    return TransformStarted(std::move(job));
}

bool TransformRun::TransformStarted(FileJob job) {
    // Met again while the batch still holds it open: the batch goes first.
    if ((!batch_.Empty() || batch_.Flying()) && batch_.Holds(fileSystem_.FoldName(job.path)) && !RunBatch())
        return false;
    if (IsLinkTag(job.facts.reparseTag)) {
        // Its target may lie outside the selection.
        PassOver(job.path, PassedOver::Reason::Link);
        return true;
    }
    // A name this run gave a file of several names, met again: done already.
    if (linkNamesGiven_.contains(fileSystem_.FoldName(job.path))) return true;
    switch (Confirm(job)) {
    case Answer::No: return true;
    case Answer::Cancel: return false;
    case Answer::Yes: break;
    }
    if (!NewNameFree(job)) return GoOn(Question::CannotRename, job.path);
    // Windows refuses to open a read-only file for writing; not every host
    // does (Wine running as root), and the answer must not depend on that.
    if (job.facts.readOnly) return GoOn(Question::CannotOpen, job.path);

    ContentsResult failure = ContentsResult::Failed;
    std::unique_ptr<ExclusiveFile> file = OpenForTransform(fileSystem_, job.path, failure);
    if (!file) return ReportFailure(failure, job.path);
    // The open that the transform needs anyway tells how many names the file
    // has: one, nearly always.
    if (file->Links(job.links, job.identity) != FsStatus::Ok) job.links = 1;
    if (job.links > 1) {
        file.reset();
        if (transformed_.contains(job.identity)) return MatchName(job);
        return JoinLinkGroup(std::move(job));
    }
    // A file that fits in one block, and one stretch of the journal, gets
    // one turn of the user's and one record anyway: it can share the
    // record's write, and its flush, with others.
    std::uint64_t size = 0;
    if (file->Size(size) == FsStatus::Ok && size <= std::min<std::uint64_t>(stretch_, keystream_.buffer.size()))
        return Batch(std::move(job), std::move(file));
    std::vector<FileJob> names;
    names.push_back(std::move(job));
    return TransformAndRename(std::move(file), names);
}

bool TransformRun::Batch(FileJob job, std::unique_ptr<ExclusiveFile> file) {
    PathString path = job.path;
    job.folderNames = nullptr;  // the listing may be gone by the time the batch is done
    JournalRecord record = RecordOf(job);
    ContentsResult added = batch_.Add(std::move(job), fileSystem_.FoldName(path), std::move(file), std::move(record));
    if (added != ContentsResult::Done) return ReportFailure(added, path);
    // Its one block is in hand: as far as the window can tell, it is done.
    user_.ShowProgress(1, 1);
    return !batch_.Full() || RunBatch(false);
}

// Lands the batch in flight, then starts the one waiting. With `land`, or
// when a file of it failed, that one lands too before this returns: the
// user is asked about a failure before the files after it change.
bool TransformRun::RunBatch(bool land) {
    if (inBatch_) return true;
    struct Ending {
        bool& flag;
        explicit Ending(bool& f) : flag(f) { flag = true; }
        ~Ending() { flag = false; }
    } ending(inBatch_);
    for (;;) {
        if (batch_.Flying() && !LandBatch()) return false;
        if (batch_.Empty()) return true;
        if (batch_.Start(keystream_, Journal(), flushCrew_, user_) && !land) return true;
    }
}

// Renames the landed files, then asks what their failures call for, in order.
bool TransformRun::LandBatch() {
    std::vector<BatchedFile> landed = batch_.Land(keystream_, Journal(), flushCrew_, user_);
    std::vector<std::pair<Question, PathString>> questions;
    for (BatchedFile& entry : landed) {
        if (std::optional<Question> question =
                EndFile(entry.job, entry.result, entry.lastWrite, Journal().For(entry.record)))
            questions.emplace_back(*question, entry.job.path);
    }
    for (const auto& [question, path] : questions) {
        if (GoOn(question, path)) continue;
        batch_.Drop();
        return false;
    }
    return true;
}

JournalRecord TransformRun::RecordOf(const FileJob& job) const {
    JournalRecord record;
    record.path = job.path;
    if (job.change == NameChange::Changed) record.newName = job.newName;
    record.encrypt = encrypt_;
    record.fingerprint = fingerprint_;
    return record;
}

// A file with several names is transformed once, when its last name comes
// up; every name then gets the mark that matches the contents.
bool TransformRun::JoinLinkGroup(FileJob job) {
    FileIdentity identity = job.identity;
    auto [entry, added] = linkGroups_.try_emplace(identity);
    LinkGroup& group = entry->second;
    if (added) linkGroupOrder_.push_back(identity);
    group.links = job.links;
    job.folderNames = nullptr;  // the listing may be gone by the time the group is done
    group.names.push_back(std::move(job));
    if (group.names.size() < group.links) return true;
    std::vector<FileJob> names = std::move(group.names);
    linkGroups_.erase(entry);
    return TransformGroup(names);
}

// Every name has been agreed to, each when it came up.
bool TransformRun::TransformGroup(std::vector<FileJob>& names) {
    for (const FileJob& job : names)
        if (!NewNameFree(job)) return GoOn(Question::CannotRename, job.path);
    ContentsResult failure = ContentsResult::Failed;
    std::unique_ptr<ExclusiveFile> file = OpenForTransform(fileSystem_, names.front().path, failure);
    if (!file) return ReportFailure(failure, names.front().path);
    return TransformAndRename(std::move(file), names);
}

// Transforms the open file's contents once, closes it, and gives each of its
// names the new one; whatever fails leaves the file with its old contents
// under its old name, and is reported.
bool TransformRun::TransformAndRename(std::unique_ptr<ExclusiveFile> file, std::vector<FileJob>& names) {
    if (!RunBatch()) return false;
    FileJob& first = names.front();
    JournalRecord record = RecordOf(first);
    JournalContext journal = Journal().For(record);

    FileTime lastWrite;
    bool cancelled = false;
    ContentsResult result = TransformContents(*file, keystream_, journal, user_, lastWrite, cancelled);
    file.reset();  // a file open without sharing cannot be renamed
    std::optional<Question> question = EndFile(first, result, lastWrite, journal);
    if (result == ContentsResult::Cancelled) return false;
    if (question) return GoOn(*question, first.path) && !cancelled;
    bool goOn = !cancelled;
    if (first.links == 1) return goOn;
    transformed_.insert(first.identity);
    linkNamesGiven_.insert(fileSystem_.FoldName(first.change == NameChange::Changed ? first.newName : first.path));
    for (std::size_t n = 1; n < names.size(); ++n)
        if (!MatchName(names[n])) return false;
    return goOn;
}

// A file's end once its contents are transformed, or not: its rename and its
// record. Returns what the user is to be told, if anything.
std::optional<Question> TransformRun::EndFile(const FileJob& job, ContentsResult result, const FileTime& lastWrite,
                                              const JournalContext& journal) {
    // A file not put back keeps its record: the next run offers to finish it.
    if (result != ContentsResult::NotRestored && result != ContentsResult::Done) ClearJournal(job.path);
    if (result != ContentsResult::Done) return FailureQuestion(result);
    if (job.change == NameChange::Changed && fileSystem_.Rename(job.path, job.newName) != FsStatus::Ok) {
        // Transformed contents under the old name would be taken for the wrong kind of file.
        if (!UndoContents(fileSystem_, job.path, keystream_, journal, lastWrite, user_)) return Question::NotRestored;
        ClearJournal(job.path);
        return Question::CannotRename;
    }
    ClearJournal(job.path);
    return std::nullopt;
}

bool TransformRun::ReportFailure(ContentsResult failure, const PathString& path) {
    std::optional<Question> question = FailureQuestion(failure);
    return question && GoOn(*question, path);
}

// A further name of a file whose contents this run has transformed.
bool TransformRun::MatchName(const FileJob& job) {
    if (job.change == NameChange::None) {
        linkNamesGiven_.insert(fileSystem_.FoldName(job.path));
        return true;
    }
    if (job.change == NameChange::Changed && fileSystem_.Rename(job.path, job.newName) == FsStatus::Ok) {
        linkNamesGiven_.insert(fileSystem_.FoldName(job.newName));
        return true;
    }
    return GoOn(Question::CannotRename, job.path);
}

// Checked before the contents are touched, so a transformed file never keeps
// the wrong name. A name taken since is still caught: the rename fails.
bool TransformRun::NewNameFree(const FileJob& job) {
    switch (job.change) {
    case NameChange::None: return true;
    case NameChange::Impossible: return false;
    case NameChange::Changed: break;
    }
    if (job.folderNames) return !job.folderNames->Contains(LeafName(job.newName));
    EntryFacts facts;
    return fileSystem_.Look(job.newName, facts) == FsStatus::NotFound;
}

Answer TransformRun::Confirm(const FileJob& job) {
    if (encrypt_ && job.marked) return Ask(Question::AlreadyEncrypted, job.path);
    if (!encrypt_ && !job.marked) return Ask(Question::NotEncrypted, job.path);
    return Answer::Yes;
}

void TransformRun::Finish(bool stopped) {
    if (!RunBatch()) stopped = true;
    for (const FileIdentity& identity : linkGroupOrder_) {
        auto group = linkGroups_.find(identity);
        if (stopped || group == linkGroups_.end()) continue;
        std::vector<FileJob>& names = group->second.names;
        Answer answer = Ask(Question::OtherNames, names.front().path);
        if (answer == Answer::Cancel) stopped = true;
        if (answer == Answer::Yes && !TransformGroup(names)) stopped = true;
    }
    linkGroups_.clear();
    linkGroupOrder_.clear();
    SettleJournal();
    if (!passedOver_.empty()) user_.ReportPassedOver(passedOver_);
    passedOver_.clear();
}
