#include "shell/command.h"

#include <new>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "crypto/wipe.h"
#include "keys/acquire.h"
#include "keys/keystore.h"
#include "resource.h"
#include "shell/progress.h"

const RunSteps kRunSteps = {IsWindowsNT, LoadRetainedKey, AcquireKey, ReadCheckValue, StartFileRun};

namespace {

LONG s_runActive;

// The shared state holds one run. Held for a whole run; a second command
// cannot take it and leaves the state alone.
class ActiveRun {
public:
    ActiveRun() : acquired_(InterlockedExchange(&s_runActive, 1) == 0) {}
    ~ActiveRun() {
        if (acquired_) InterlockedExchange(&s_runActive, 0);
    }
    ActiveRun(const ActiveRun&) = delete;
    ActiveRun& operator=(const ActiveRun&) = delete;
    bool acquired() const { return acquired_; }

private:
    bool acquired_;
};

// The owner was taken when the module was loaded; by now it may be gone, and
// a dead owner would leave every box and dialog of the run without one.
void ReplaceDeadOwner(HWND shellWindow) {
    if (g_hwndOwner && !IsWindow(g_hwndOwner)) g_hwndOwner = IsWindow(shellWindow) ? shellWindow : nullptr;
}

// A retained key (NT family), else the one the user enters or sets.
bool ObtainKey(const RunSteps& steps) {
    g_bIsNT = steps.isWindowsNT();
    if (g_bIsNT) {
        g_bRetainKey = steps.loadRetainedKey(&g_Key);
        g_bKeyValid = g_bRetainKey;
    } else {
        g_bRetainKey = FALSE;
    }
    g_bCancel = FALSE;
    return g_bKeyValid || steps.acquireKey(&g_CheckValue);
}

void WipeKey() {
    g_bKeyValid = FALSE;
    SecureWipe(g_Key);
}

// Walks a copy of the selection: the shell may hand the object a new one
// while the run pumps messages.
void WalkSelection(const MenuCommand& command, const std::vector<std::wstring>& selection, const RunSteps& steps) {
    std::vector<std::wstring> paths;
    std::unique_ptr<FileRun> files;
    // The journal names the key by the check value the registry holds now;
    // a retained key comes without it.
    KeyDigest fingerprint = g_CheckValue;
    steps.readCheckValue(&fingerprint);
    try {
        paths = selection;
        files = steps.startFileRun(command.encrypt, fingerprint);
    } catch (const std::exception&) {
        ShowMessage(g_hwndOwner, kMemoryAllocationError, kStyleFailure);
        return;
    }
    bool stopped = !files->RecoverUnfinished() || g_bCancel;
    for (const std::wstring& path : paths) {
        if (stopped) break;
        stopped = !files->WalkPath(path) || g_bCancel;
    }
    files->Finish(stopped);
}

void ProcessWithBuffer(const MenuCommand& command, const std::vector<std::wstring>& selection, const RunSteps& steps) {
    g_pBuffer = new (std::nothrow) BYTE[kIoBufferSize];
    if (!g_pBuffer) {
        ShowMessage(g_hwndOwner, kMemoryAllocationError, kStyleFailure);
        return;
    }
    // A password dialog may have been cancelled although a key is at hand.
    if (!g_bCancel) {
        OpenProgressWindow(command.titleId);
        WalkSelection(command, selection, steps);
        CloseProgressWindow();
    }
    delete[] g_pBuffer;
    g_pBuffer = nullptr;
}

}  // namespace

HRESULT RunCommand(const MenuCommand& command, const std::vector<std::wstring>& selection, HWND shellWindow,
                   const RunSteps& steps) {
    ActiveRun run;
    if (!run.acquired()) {
        // The run disables only its own owner: the window the user clicked may
        // be another, and a refusal nobody sees looks like a command that worked.
        ShowMessage(IsWindow(shellWindow) ? shellWindow : nullptr, LoadResString(g_hInstance, IDS_RUN_ACTIVE),
                    kStyleFailure);
        return kRunAlreadyActive;
    }
    ReplaceDeadOwner(shellWindow);

    if (!ObtainKey(steps)) {
        // No verified key: whatever g_Key holds now (the digest of a password
        // typed in vain, say) must not stay in memory either.
        WipeKey();
        return S_OK;
    }
    ProcessWithBuffer(command, selection, steps);
    if (!g_bRetainKey) WipeKey();
    return S_OK;
}
