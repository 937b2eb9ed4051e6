#include "progress_gate.h"

#include <chrono>

#include "gui.h"
#include "paths.h"
#include "resource.h"

namespace vfhost {
namespace {

constexpr char kProgressBarClass[] = "msctls_progress32";
constexpr char kGateProperty[] = "VfProgressGate";
constexpr char kOriginalProcProperty[] = "VfFileNameProc";
constexpr DWORD kPollMs = 50;
// A helper that went away must not hold the run for ever.
constexpr DWORD kHoldLimitMs = 60000;
// Paint messages come back until a window validates itself: never spin on them.
constexpr int kMaxMessagesPerPoll = 100;

bool IsProgressWindow(HWND window, HWND owner) {
    if (GetWindow(window, GW_OWNER) != owner) return false;
    HWND bar = GetDlgItem(window, IDC_PROGRESSBAR);
    char cls[64] = "";
    if (bar) GetClassNameA(bar, cls, sizeof cls);
    return lstrcmpiA(cls, kProgressBarClass) == 0;
}

struct ProgressSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindProgressWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ProgressSearch*>(param);
    if (!IsProgressWindow(window, search->owner)) return TRUE;
    search->found = window;
    return FALSE;
}

// What the run's thread answers while a gate keeps it: sent messages and
// paints, never posted input, which waits for the run's own pump.
constexpr DWORD kAnswered = QS_SENDMESSAGE | QS_PAINT;

void AnswerWaitingMessages() {
    MSG message;
    for (int i = 0; i < kMaxMessagesPerPoll && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i)
        DispatchMessageA(&message);
}

}  // namespace

ProgressGate::ProgressGate() : resume_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

ProgressGate::~ProgressGate() {
    RunFree();
    CloseHandle(resume_);
}

void ProgressGate::OnOwnerDisabled(HWND owner) {
    ProgressSearch search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindProgressWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found && search.found != Window()) Watch(search.found);
}

void ProgressGate::Watch(HWND progress) {
    HWND control = GetDlgItem(progress, IDC_FILENAME);
    if (!control) return;
    SetPropA(control, kGateProperty, this);
    // A wide procedure, as the control is: a name passes through it as it is.
    SetPropA(control, kOriginalProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(control, GWLP_WNDPROC)));
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileNameProc));
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = progress;
    ++windowsSeen_;
    changed_.notify_all();
}

LRESULT CALLBACK ProgressGate::FileNameProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* gate = static_cast<ProgressGate*>(GetPropA(control, kGateProperty));
    auto original = reinterpret_cast<WNDPROC>(GetPropA(control, kOriginalProcProperty));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(control, kGateProperty);
        RemovePropA(control, kOriginalProcProperty);
        gate->OnWindowGone();
        return CallWindowProcW(original, control, message, wParam, lParam);
    }
    LRESULT result = CallWindowProcW(original, control, message, wParam, lParam);
    // The run shows each file's path before it touches the file.
    if (message == WM_SETTEXT && lParam) gate->OnFileShown(vftest::Utf8(reinterpret_cast<const wchar_t*>(lParam)));
    return result;
}

void ProgressGate::OnFileShown(const std::string& path) {
    DWORD shown = GetTickCount();
    bool hold = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        filesShown_.push_back(path);
        hold = holdEachFile_;
        if (hold) {
            holding_ = true;
            ++holds_;
            heldPath_ = path;
            changed_.notify_all();
        }
    }
    if (hold) HoldUntilResumed();
    Linger(shown);
}

void ProgressGate::HoldUntilResumed() {
    DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &resume_, FALSE, kPollMs, kAnswered) != WAIT_OBJECT_0) {
        AnswerWaitingMessages();
        if (GetTickCount() - start > kHoldLimitMs) break;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    holding_ = false;
}

void ProgressGate::Linger(DWORD since) {
    DWORD linger = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        linger = lingerMs_;
    }
    for (DWORD elapsed; (elapsed = GetTickCount() - since) < linger;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, linger - elapsed, kAnswered);
        AnswerWaitingMessages();
    }
}

void ProgressGate::OnWindowGone() {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
    changed_.notify_all();
}

void ProgressGate::HoldAtEachFile() {
    std::lock_guard<std::mutex> lock(mutex_);
    holdEachFile_ = true;
}

std::optional<std::string> ProgressGate::WaitHeld(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    bool settled = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return (holding_ && holds_ > holdsReported_) || (windowsSeen_ > 0 && !window_);
    });
    if (!settled) throw vftest::GuiFailure{"timed out waiting for the run to reach the next file"};
    if (!(holding_ && holds_ > holdsReported_)) return std::nullopt;
    holdsReported_ = holds_;
    return heldPath_;
}

void ProgressGate::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (holding_) SetEvent(resume_);
}

void ProgressGate::LingerAtEachFile(DWORD ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    lingerMs_ = ms;
}

void ProgressGate::RunFree() {
    std::lock_guard<std::mutex> lock(mutex_);
    holdEachFile_ = false;
    if (holding_) SetEvent(resume_);
}

HWND ProgressGate::Window() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return window_;
}

int ProgressGate::WindowsSeen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return windowsSeen_;
}

std::vector<std::string> ProgressGate::FilesShown() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return filesShown_;
}

}  // namespace vfhost
