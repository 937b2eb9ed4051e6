#pragma once
// Lets a helper thread stop a command run at the start of each file, so that
// the progress window can be looked at, photographed or cancelled at a known
// point instead of whenever the helper happens to see it.
//
// The run itself never waits for anything: the gate sits in the file-name
// control of the progress window. When the run shows the next file's path
// there, the control's window procedure (on the run's thread) holds until the
// helper resumes it, answering sent and paint messages meanwhile. Posted
// messages, such as a click on Cancel, wait for the run's own message pump.
// One gate watches one run.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vfhost {

class ProgressGate {
public:
    ProgressGate();
    ~ProgressGate();
    ProgressGate(const ProgressGate&) = delete;
    ProgressGate& operator=(const ProgressGate&) = delete;

    // Run's thread: the owner was disabled; if a progress window is what did
    // it, watch its file-name control.
    void OnOwnerDisabled(HWND owner);

    // Any thread. From now on every file start waits for Resume or RunFree.
    void HoldAtEachFile();
    // Helper thread: the path of the file at whose start the run now waits, or
    // nothing once the progress window is gone. Throws vftest::GuiFailure.
    std::optional<std::string> WaitHeld(DWORD timeoutMs);
    void Resume();   // on to the next file start
    void RunFree();  // no more holds

    // Any thread. From now on each file stays shown for at least `ms` (the
    // run waits, answering messages), as it would for a user's eye. The
    // window repaints only so often, so a file that passes quicker than that
    // can hide the next one; a linger longer than the repaint interval makes
    // the window show every file of the run.
    void LingerAtEachFile(DWORD ms);

    HWND Window() const;                          // the current progress window, or null
    int WindowsSeen() const;                      // progress windows opened so far
    std::vector<std::string> FilesShown() const;  // every path the window showed, in order

private:
    static LRESULT CALLBACK FileNameProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    void Watch(HWND progress);
    void OnFileShown(const std::string& path);
    void OnWindowGone();
    void HoldUntilResumed();
    void Linger(DWORD since);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    HANDLE resume_;  // auto-reset: one Resume, one file
    HWND window_ = nullptr;
    int windowsSeen_ = 0;
    bool holdEachFile_ = false;
    DWORD lingerMs_ = 0;
    bool holding_ = false;
    unsigned holds_ = 0;  // holds so far, so that WaitHeld never returns the same one twice
    unsigned holdsReported_ = 0;
    std::string heldPath_;
    std::vector<std::string> filesShown_;
};

}  // namespace vfhost
