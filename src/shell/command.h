#pragma once
// A command run: key, I/O buffer, progress window, the walk over the
// selection, teardown. Synchronous on the calling thread.
#include <windows.h>

#include <string>
#include <vector>

#include "crypto/sha1.h"
#include "fileproc/file_run.h"
#include "shell/menu_commands.h"

// The steps of a run that other subsystems provide. The run calls them only
// through this table, so a test can stand in for the key dialogs and the files.
struct RunSteps {
    BOOL (*isWindowsNT)();
    BOOL (*loadRetainedKey)(KeyDigest* key);
    int (*acquireKey)(KeyDigest* checkValue);
    BOOL (*readCheckValue)(KeyDigest* checkValue);
    std::unique_ptr<FileRun> (*startFileRun)(int encrypt, const KeyDigest& fingerprint);
};

// The real steps: key store, key acquisition, the file run.
extern const RunSteps kRunSteps;

// Refusal of a run while another is active, on this thread (re-entered
// through the message pump) or on another.
inline constexpr HRESULT kRunAlreadyActive = HRESULT_FROM_WIN32(ERROR_BUSY);

// Carries out `command` over `selection`, the invoked object's paths, each
// in turn. `shellWindow` is the window the shell passed with the command: the
// owner of the run's windows when the one taken at load is gone.
// S_OK for every run started, whatever its outcome; kRunAlreadyActive when
// refused, after a message box owned by `shellWindow`.
HRESULT RunCommand(const MenuCommand& command, const std::vector<std::wstring>& selection, HWND shellWindow,
                   const RunSteps& steps = kRunSteps);
