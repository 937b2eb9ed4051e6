#include "fileproc/file_run.h"

#include <new>
#include <span>

#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "engine/run.h"
#include "fileproc/shell_user.h"
#include "platform/win32_file_system.h"
#include "platform/win32_journal_store.h"

namespace {

std::wstring& JournalFolder() {
    static std::wstring folder;
    return folder;
}

bool& JournalOff() {
    static bool off = false;
    return off;
}

class ShellFileRun final : public FileRun {
public:
    ShellFileRun(int encrypt, const KeyDigest& fingerprint)
        : journal_(JournalFolder().empty() ? DefaultJournalFolder() : JournalFolder()),
          run_(fileSystem_, user_, g_Key, std::span<std::uint8_t>(g_pBuffer, kIoBufferSize), encrypt != 0) {
        if (!JournalOff()) run_.UseJournal(journal_, fingerprint);
    }

    int RecoverUnfinished() override {
        return Guarded([&] { return run_.RecoverUnfinished() ? 1 : 0; });
    }
    int WalkPath(const std::wstring& path) override {
        return Guarded([&] { return run_.WalkPath(path) ? 1 : 0; });
    }
    int TransformFile(const std::wstring& path) {
        return Guarded([&] { return run_.TransformFile(path) ? 1 : 0; });
    }
    void Finish(bool stopped) override {
        Guarded([&] {
            run_.Finish(stopped);
            return 1;
        });
    }

private:
    // Folder listings and paths are the run's only allocations.
    template <typename Step>
    static int Guarded(Step step) {
        try {
            return step();
        } catch (const std::bad_alloc&) {
            ShowMessage(g_hwndOwner, kMemoryAllocationError, kStyleFailure);
            return 0;
        }
    }

    Win32FileSystem fileSystem_;
    ShellUser user_;
    Win32JournalStore journal_;
    TransformRun run_;
};

// A run of its own stands for a command whose key was just verified against
// the check value in g_CheckValue.
template <typename Step>
int RunOfItsOwn(int encrypt, Step step) {
    ShellFileRun run(encrypt, g_CheckValue);
    int goOn = run.RecoverUnfinished() && step(run);
    run.Finish(!goOn || g_bCancel);
    return goOn;
}

}  // namespace

std::unique_ptr<FileRun> StartFileRun(int encrypt, const KeyDigest& fingerprint) {
    return std::make_unique<ShellFileRun>(encrypt, fingerprint);
}

void SetJournalFolder(const std::wstring& folder) { JournalFolder() = folder; }

void SetJournalOff(bool off) { JournalOff() = off; }

int WalkPath(const wchar_t* path, int encrypt) {
    return RunOfItsOwn(encrypt, [&](ShellFileRun& run) { return run.WalkPath(path); });
}

int TransformFile(const wchar_t* path, int encrypt) {
    return RunOfItsOwn(encrypt, [&](ShellFileRun& run) { return run.TransformFile(path); });
}
