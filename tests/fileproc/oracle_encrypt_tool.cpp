// Encrypts (or with --decrypt, decrypts) each path named after the password
// in place, files and folders alike, through the module's own run over the
// Win32 file system, the key being the SHA-1 digest of the password. Every
// question is answered No and printed, as is what the run passed over; exit
// status 0 when nothing was asked. Used by check_encrypted_file.py, which
// checks the results with an RC4 and a SHA-1 of its own.
//
// For the kill tests (check_killed_runs.py), before the password:
//   --journal DIR        keep the run's journal in DIR;
//   --hold-after-write N print "holding" after the N-th block written (in
//                        any pass), and stop there until killed;
//   --fail-write-at BYTES fail the first write at or past BYTES, so that
//                        the run puts the file back;
//   --recover            answer Yes when asked to finish an unfinished file.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "common/state.h"
#include "engine/run.h"
#include "platform/win32_file_system.h"
#include "platform/win32_journal_store.h"

namespace {

// Names go out in UTF-8, whatever the console's code page.
std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(utf8.empty() ? 0 : utf8.size() - 1);
    return utf8;
}

class AnsweringNo final : public RunUser {
public:
    int questions = 0;
    bool finishUnfinished = false;
    Answer Ask(Question question, const PathString& path) override {
        std::printf("asked %d: %s\n", static_cast<int>(question), Utf8(path).c_str());
        if (question == Question::Unfinished && finishUnfinished) return Answer::Yes;
        ++questions;
        return Answer::No;
    }
    bool Cancelled() override { return false; }
    bool CancelledDuringFile() override { return false; }
    void ShowFile(const PathString&) override {}
    void ShowProgress(std::uint64_t, std::uint64_t) override {}
    void ReportPassedOver(const std::vector<PassedOver>& items) override {
        for (const PassedOver& item : items)
            std::printf("passed over %d: %s\n", static_cast<int>(item.reason), Utf8(item.path).c_str());
    }
};

// The Win32 file system, watched: the run may be held after a chosen write,
// and one write may fail.
class WatchedFile final : public ExclusiveFile {
public:
    WatchedFile(std::unique_ptr<ExclusiveFile> file, std::uint64_t failWriteAt, long& holdAfterWrite)
        : file_(std::move(file)), failWriteAt_(failWriteAt), holdAfterWrite_(holdAfterWrite) {}
    FsStatus Size(std::uint64_t& size) override { return file_->Size(size); }
    FsStatus ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t wanted, std::size_t& got) override {
        return file_->ReadAt(offset, buffer, wanted, got);
    }
    FsStatus WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                     std::size_t& written) override {
        if (offset >= failWriteAt_) {
            failWriteAt_ = ~0ULL;
            written = 0;
            return FsStatus::Failed;
        }
        FsStatus status = file_->WriteAt(offset, data, length, written);
        if (--holdAfterWrite_ == 0) {
            std::printf("holding\n");
            std::fflush(stdout);
            Sleep(INFINITE);
        }
        return status;
    }
    FsStatus Flush() override { return file_->Flush(); }
    FsStatus Links(std::uint32_t& links, FileIdentity& identity) override { return file_->Links(links, identity); }
    FsStatus LastWrite(FileTime& time) override { return file_->LastWrite(time); }
    FsStatus SetLastWrite(const FileTime& time) override { return file_->SetLastWrite(time); }

private:
    std::unique_ptr<ExclusiveFile> file_;
    std::uint64_t failWriteAt_;
    long& holdAfterWrite_;
};

class WatchedFileSystem final : public FileSystem {
public:
    long holdAfterWrite = 0;  // 0: never
    std::uint64_t failWriteAt = ~0ULL;
    std::size_t MaxPathLength() const override { return real_.MaxPathLength(); }
    FsStatus Look(const PathString& path, EntryFacts& facts) override { return real_.Look(path, facts); }
    FsStatus List(const PathString& folder, std::vector<ListedEntry>& entries) override {
        return real_.List(folder, entries);
    }
    std::unique_ptr<ExclusiveFile> OpenExclusive(const PathString& path, FsStatus& status) override {
        std::unique_ptr<ExclusiveFile> file = real_.OpenExclusive(path, status);
        if (!file || (!holdAfterWrite && failWriteAt == ~0ULL)) return file;
        std::uint64_t failAt = failWriteAt;
        failWriteAt = ~0ULL;  // once, in the first pass over the first file
        return std::make_unique<WatchedFile>(std::move(file), failAt, holdAfterWrite);
    }
    FsStatus Rename(const PathString& from, const PathString& to) override { return real_.Rename(from, to); }
    PathString FoldName(PathView name) const override { return real_.FoldName(name); }

private:
    Win32FileSystem real_;
};

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int first = 1;
    bool encrypt = true;
    bool recover = false;
    std::wstring journalFolder;
    WatchedFileSystem fileSystem;
    for (; first < argc && std::wstring(argv[first]).starts_with(L"--"); ++first) {
        std::wstring option = argv[first];
        if (option == L"--decrypt") encrypt = false;
        if (option == L"--recover") recover = true;
        if (option == L"--hold-after-write" && first + 1 < argc)
            fileSystem.holdAfterWrite = std::wcstol(argv[++first], nullptr, 10);
        if (option == L"--journal" && first + 1 < argc) journalFolder = argv[++first];
        if (option == L"--fail-write-at" && first + 1 < argc)
            fileSystem.failWriteAt = std::wcstoull(argv[++first], nullptr, 10);
    }
    if (argc < first + 1 || (!recover && argc < first + 2)) {
        std::fprintf(stderr, "usage: fileproc_oracle_tool [options] PASSWORD PATH...\n");
        return 2;
    }
    std::string password = Utf8(argv[first]);
    Sha1Buffer(password.data(), static_cast<std::uint32_t>(password.size()), g_Key);
    std::vector<std::uint8_t> buffer(kIoBufferSize);

    AnsweringNo user;
    user.finishUnfinished = recover;
    TransformRun run(fileSystem, user, g_Key, buffer, encrypt);
    // The journal names the key by a digest of it, as the module does by the
    // stored check value: the key itself never goes into a record.
    KeyDigest fingerprint;
    Sha1Buffer(&g_Key, sizeof g_Key, fingerprint);
    Win32JournalStore journal(journalFolder);
    if (!journalFolder.empty()) run.UseJournal(journal, fingerprint);
    bool goOn = run.RecoverUnfinished();
    for (int n = first + 1; n < argc && goOn; ++n) goOn = run.WalkPath(argv[n]);
    run.Finish(!goOn);
    std::fflush(stdout);
    return user.questions ? 1 : 0;
}
