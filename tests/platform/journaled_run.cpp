#include "journaled_run.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/run.h"
#include "platform/posix_file_system.h"
#include "platform/posix_journal_store.h"
#include "scripted_user.h"

namespace vftest {

namespace {

// The real file system, whose files kill the process part way through their writes.
class KillingFileSystem final : public FileSystem {
public:
    explicit KillingFileSystem(std::uint64_t killAtByte) : killAtByte_(killAtByte) {}

    std::size_t MaxPathLength() const override { return real_.MaxPathLength(); }
    FsStatus Look(const PathString& path, EntryFacts& facts) override { return real_.Look(path, facts); }
    FsStatus List(const PathString& folder, std::vector<ListedEntry>& entries) override {
        return real_.List(folder, entries);
    }
    FsStatus Rename(const PathString& from, const PathString& to) override { return real_.Rename(from, to); }
    PathString FoldName(PathView name) const override { return real_.FoldName(name); }
    std::unique_ptr<ExclusiveFile> OpenExclusive(const PathString& path, FsStatus& status) override {
        std::unique_ptr<ExclusiveFile> file = real_.OpenExclusive(path, status);
        return file ? std::make_unique<File>(std::move(file), *this) : nullptr;
    }

private:
    class File final : public ExclusiveFile {
    public:
        File(std::unique_ptr<ExclusiveFile> real, KillingFileSystem& owner) : real_(std::move(real)), owner_(owner) {}
        FsStatus Size(std::uint64_t& size) override { return real_->Size(size); }
        FsStatus ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t wanted, std::size_t& got) override {
            return real_->ReadAt(offset, buffer, wanted, got);
        }
        FsStatus WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                         std::size_t& written) override {
            std::uint64_t left = owner_.killAtByte_ - owner_.written_;
            std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(length, left));
            FsStatus status = real_->WriteAt(offset, data, now, written);
            owner_.written_ += written;
            if (owner_.written_ >= owner_.killAtByte_) kill(getpid(), SIGKILL);
            if (status != FsStatus::Ok || now == length) return status;
            std::size_t rest = 0;
            status = real_->WriteAt(offset + now, data + now, length - now, rest);
            written += rest;
            return status;
        }
        FsStatus Flush() override { return real_->Flush(); }
        FsStatus Links(std::uint32_t& links, FileIdentity& identity) override { return real_->Links(links, identity); }
        FsStatus LastWrite(FileTime& time) override { return real_->LastWrite(time); }
        FsStatus SetLastWrite(const FileTime& time) override { return real_->SetLastWrite(time); }

    private:
        std::unique_ptr<ExclusiveFile> real_;
        KillingFileSystem& owner_;
    };

    PosixFileSystem real_;
    std::uint64_t killAtByte_;
    std::uint64_t written_ = 0;
};

KeyDigest DigestOf(const char* text) {
    KeyDigest digest;
    Sha1Buffer(text, static_cast<std::uint32_t>(std::char_traits<char>::length(text)), digest);
    return digest;
}

}  // namespace

KeyDigest KillTestKey() { return DigestOf("killed part way"); }
KeyDigest KillTestFingerprint() { return DigestOf("the check value"); }

void RunJournaled(const std::string& file, const std::string& journalFolder, std::uint64_t killAtByte,
                  const KeyDigest& key, const KeyDigest& fingerprint) {
    KillingFileSystem fileSystem(killAtByte);
    PosixJournalStore journal(journalFolder);
    ScriptedUser user;
    std::vector<std::uint8_t> buffer(kKillBlock);
    TransformRun run(fileSystem, user, key, buffer, true);
    run.UseJournal(journal, fingerprint, kKillStretch);
    run.WalkPath(file);
    run.Finish(false);
}

}  // namespace vftest
