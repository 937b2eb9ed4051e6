#include "engine/contents.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "crypto/rc4.h"
#include "crypto/wipe.h"
#include "engine/checkpoints.h"
#include "engine/keystream_ahead.h"
#include "engine/run_user.h"

void KeystreamAt(const Keystream& keystream, std::uint64_t offset, Rc4State& state) {
    Rc4StateAt(keystream.run.key(), offset, keystream.buffer, state);
}

FilePass::FilePass(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal)
    : file_(file), keystream_(keystream), journal_(journal) {}

// What a pass's block loop tells its watcher, and asks it, between blocks.
class BlockTurns {
public:
    virtual ~BlockTurns() = default;
    virtual void Reached(std::uint64_t done) = 0;
    virtual bool StopAsked() = 0;
};

namespace {

// Turns taken on the user's own thread, block by block.
class TurnsHere final : public BlockTurns {
public:
    explicit TurnsHere(const PassWatch& watch) : watch_(watch) {}
    void Reached(std::uint64_t done) override {
        if (watch_.user && watch_.size) watch_.user->ShowProgress(done, watch_.size);
    }
    bool StopAsked() override { return watch_.user && watch_.user->CancelledDuringFile(); }

private:
    const PassWatch& watch_;
};

// Turns taken on the user's thread while the blocks run on another: the
// loop leaves where it is, and reads whether a Cancel came.
class TurnsAcross final : public BlockTurns {
public:
    void Reached(std::uint64_t done) override { done_.store(done, std::memory_order_relaxed); }
    bool StopAsked() override { return stop_.load(std::memory_order_relaxed); }
    void Turn(const PassWatch& watch) {
        if (watch.size) watch.user->ShowProgress(done_.load(std::memory_order_relaxed), watch.size);
        if (watch.user->CancelledDuringFile()) stop_.store(true, std::memory_order_relaxed);
    }

private:
    std::atomic<std::uint64_t> done_{0};
    std::atomic<bool> stop_{false};
};

// Where a pass's keystream comes from. A file the run's keystream can hold
// takes it from there, made once for all the run's files. A longer one takes
// what is made already, and has the rest made ahead on a second thread while
// it reads and writes, rather than waiting for it here.
class PassKeystream {
public:
    PassKeystream(RunKeystream& run, std::uint64_t from, std::uint64_t to)
        : run_(run), runEnd_(std::max(from, to <= kRunKeystreamCap ? to : std::min(to, run.Made()))) {
        if (to <= runEnd_) return;
        if (runEnd_ == run.Made() && runEnd_ > 0)
            ahead_.emplace(run.StateAtEnd());
        else
            ahead_.emplace(run.key(), runEnd_);
    }
    // Offsets come in order, each block right after the one before.
    void Apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) {
        if (offset < runEnd_) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, runEnd_ - offset));
            run_.Apply(offset, data, n);
            data += n;
            length -= n;
        }
        if (length > 0) ahead_->Apply(data, length);
    }

private:
    RunKeystream& run_;
    std::uint64_t runEnd_;  // the pass takes the run's keystream before this offset
    std::optional<KeystreamAhead> ahead_;
};

}  // namespace

PassEnd FilePass::Run(std::uint64_t from, std::uint64_t to, const PassWatch& watch, std::uint64_t& done) {
    if (!watch.user || to - from < kLongPass) {
        TurnsHere turns(watch);
        return RunBlocks(from, to, watch, turns, done);
    }
    TurnsAcross turns;
    turns.Reached(from);
    PassEnd end = PassEnd::Failed;
    keystream_.keep.blocks.Run([&] { end = RunBlocks(from, to, watch, turns, done); }, [&] { turns.Turn(watch); });
    if (watch.size) watch.user->ShowProgress(done, watch.size);
    return end;
}

bool ReadWhole(ExclusiveFile& file, std::uint64_t offset, std::uint8_t* data, std::size_t length, std::size_t& have) {
    for (have = 0; have < length;) {
        std::size_t got = 0;
        if (file.ReadAt(offset + have, data + have, length - have, got) != FsStatus::Ok) return false;
        if (got == 0) break;
        have += got;
    }
    return true;
}

PassEnd FilePass::RunBlocks(std::uint64_t from, std::uint64_t to, const PassWatch& watch, BlockTurns& turns,
                            std::uint64_t& done) {
    // A long pass moves large blocks of its own.
    bool longPass = to - from >= kLongPass;
    PassKeystream keystream(keystream_.run, from, to);
    std::size_t block = longPass ? kLongPassBlock : keystream_.buffer.size();
    std::vector<std::uint8_t> ownBuffer;
    std::span<std::uint8_t> buffer = keystream_.buffer;
    std::optional<Checkpoints> checkpoints;
    if (journal_.store) {
        // With a journal, each stretch is read whole, once: the hash of each
        // of its sectors goes into the record before any is written, and
        // the stretch is then transformed and written back from memory.
        std::vector<std::uint8_t>& stretch = keystream_.keep.stretch;
        std::size_t longest = static_cast<std::size_t>(std::min(journal_.stretch, to - from));
        if (stretch.size() < longest) stretch.resize(longest);
        buffer = std::span(stretch).first(longest);
        // Blocks are whole sectors: a run killed between two writes then
        // leaves no sector half written, and only a power failure can.
        if (block >= kJournalSector) block -= block % kJournalSector;
        checkpoints.emplace(file_, journal_, longPass ? &keystream_.keep.flushes : nullptr);
    } else if (longPass) {
        ownBuffer.resize(block);
        buffer = ownBuffer;
    }

    done = from;
    PassEnd end = PassEnd::Done;
    bool atEnd = false;
    while (!atEnd && done < to && end == PassEnd::Done) {
        std::uint64_t stretchStart = done;
        std::uint64_t stretchEnd = journal_.store ? std::min(to, done - done % kJournalSector + journal_.stretch) : to;
        if (checkpoints) {
            std::size_t have = 0;
            std::size_t length = static_cast<std::size_t>(stretchEnd - done);
            if (!ReadWhole(file_, done, buffer.data(), length, have) ||
                !checkpoints->Before(done, buffer.first(have))) {
                end = PassEnd::Failed;
                break;
            }
            atEnd = have < length;
            stretchEnd = done + have;
        }
        while (done < stretchEnd) {
            std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(block, stretchEnd - done));
            std::uint8_t* data = buffer.data();
            std::size_t got = wanted;
            if (checkpoints) {
                data += done - stretchStart;
            } else {
                if (file_.ReadAt(done, data, wanted, got) != FsStatus::Ok) {
                    end = PassEnd::Failed;
                    break;
                }
                if (got == 0) {
                    atEnd = true;
                    break;
                }
            }
            keystream.Apply(done, data, got);
            std::size_t written = 0;
            bool wrote = file_.WriteAt(done, data, got, written) == FsStatus::Ok && written == got;
            done += written;
            if (!wrote) {
                end = PassEnd::Failed;
                break;
            }
            turns.Reached(done);
            // The window has its turn throughout; past half way a Cancel
            // waits for the file to be finished.
            bool stopAsked = turns.StopAsked();
            if (watch.cancellable && stopAsked && done < to && done <= watch.size / 2) {
                end = PassEnd::Cancelled;
                break;
            }
        }
        // A checkpoint: the stretch goes to disk before the one after the next is recorded.
        if (checkpoints && end == PassEnd::Done && !checkpoints->After()) end = PassEnd::Failed;
    }
    if (checkpoints && !checkpoints->Finish() && end == PassEnd::Done) end = PassEnd::Failed;
    return end;
}

std::unique_ptr<ExclusiveFile> OpenForTransform(FileSystem& fileSystem, const PathString& path,
                                                ContentsResult& failure) {
    FsStatus status = FsStatus::Ok;
    std::unique_ptr<ExclusiveFile> file = fileSystem.OpenExclusive(path, status);
    if (!file) failure = status == FsStatus::NotFound ? ContentsResult::NotFound : ContentsResult::CannotOpen;
    return file;
}

bool RestorePass(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal, std::uint64_t done,
                 RunUser* user) {
    // What the failed pass wrote since its last checkpoint goes to disk
    // first: the restoring record takes all of [0, done) as transformed.
    if (journal.record && file.Flush() != FsStatus::Ok) return false;
    if (journal.record) {
        journal.record->restoring = true;
        journal.record->regionEnd = done;
    }
    std::uint64_t restored = 0;
    PassWatch watch{user};
    return FilePass(file, keystream, journal).Run(0, done, watch, restored) == PassEnd::Done && restored == done &&
           file.Flush() == FsStatus::Ok;
}

ContentsResult TransformContents(ExclusiveFile& file, const Keystream& keystream, const JournalContext& journal,
                                 RunUser& user, FileTime& lastWrite, bool& cancelled) {
    // Nobody else can change the file while it is open: its length and time
    // are read here, exactly, rather than trusted from an earlier look.
    std::uint64_t length = 0;
    if (file.Size(length) != FsStatus::Ok || file.LastWrite(lastWrite) != FsStatus::Ok) return ContentsResult::Failed;
    if (journal.record) {
        journal.record->size = length;
        journal.record->lastWrite = lastWrite;
        journal.record->restoring = false;
        journal.record->regionEnd = length;
    }
    std::uint64_t done = 0;
    PassWatch watch{&user, length, true};
    PassEnd end = FilePass(file, keystream, journal).Run(0, length, watch, done);
    // On disk before anything names the file as transformed: a flush that
    // fails is a write that failed. A journaled pass has flushed its last
    // stretch already.
    if (end == PassEnd::Done && !journal.store && file.Flush() != FsStatus::Ok) end = PassEnd::Failed;
    ContentsResult result = ContentsResult::Done;
    if (end != PassEnd::Done) {
        bool restored = RestorePass(file, keystream, journal, done, &user);
        result = !restored                   ? ContentsResult::NotRestored
                 : end == PassEnd::Cancelled ? ContentsResult::Cancelled
                                             : ContentsResult::Failed;
    }
    file.SetLastWrite(lastWrite);
    // A Cancel seen past half way is honoured once the file is finished.
    cancelled = end == PassEnd::Cancelled || (result == ContentsResult::Done && user.CancelledDuringFile());
    return result;
}

bool UndoContents(FileSystem& fileSystem, const PathString& path, const Keystream& keystream,
                  const JournalContext& journal, const FileTime& lastWrite, RunUser& user) {
    ContentsResult failure = ContentsResult::Failed;
    std::unique_ptr<ExclusiveFile> file = OpenForTransform(fileSystem, path, failure);
    if (!file) return false;
    std::uint64_t length = 0;
    bool ok = file->Size(length) == FsStatus::Ok && RestorePass(*file, keystream, journal, length, &user);
    file->SetLastWrite(lastWrite);
    return ok;
}
