#pragma once
// Drives the module's real windows from a helper thread while the code under
// test runs on the test's main thread (where its modal loops live).
//
//   vftest::GuiHelper gui([](vftest::Gui& ui) {
//       auto box = ui.WaitMessageBox();
//       EXPECT_EQ(box.text, "...");
//       ui.Answer(box, IDYES);
//   });
//   int result = TransformFile(path, 1);   // shows the box; the helper answers it
//   gui.Join();                            // every wait is bounded: nothing hangs
//
// Every wait is for an event (a window that appears or goes, a state the code
// sets) and times out (default 10 s) with a failure; the helper then closes
// whatever windows of the process are left until the code returns. Once the
// script has ended, a modal window it never met is a failure at once.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vftest {

inline constexpr DWORD kDefaultTimeoutMs = 10000;
inline constexpr DWORD kPollMs = 20;  // how often a wait looks again

// What the helper read back from a message box.
struct MessageBoxSeen {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    UINT style = 0;  // MB_OK/MB_YESNO/... | MB_ICON..., reconstructed from the buttons and icon shown
};

// Thrown inside the helper thread when a wait times out or a step cannot be
// taken; GuiHelper catches it and reports it.
struct GuiFailure {
    std::string what;
};

// How the driver tells of failures. The tests use GoogleTest's
// (UseGoogleTestReporting, in vf_testsupport); without it, such as in the
// shell host, failures go to standard error and GuiHelper::Failed().
struct GuiReporting {
    std::function<void(const std::string& what)> fail;
    std::function<bool()> testFailed;       // has the running test failed? Then the events are printed
    std::function<std::string()> testName;  // names the failure screenshot
};
void SetGuiReporting(GuiReporting reporting);
void UseGoogleTestReporting();  // gui_gtest.cpp, in vf_testsupport only

class Gui {
public:
    // Waits until `find` returns something that tests true, and returns it;
    // gives up when the code under test has returned first.
    template <typename Find>
    auto WaitFor(const std::string& what, DWORD timeoutMs, Find find) -> decltype(find());
    // Waits until `done` holds.
    void WaitUntil(const std::string& what, const std::function<bool()>& done, DWORD timeoutMs = kDefaultTimeoutMs);

    // A visible top-level window of this process with this caption (and class, if given).
    HWND WaitWindow(const std::string& caption, const char* className = nullptr, DWORD timeoutMs = kDefaultTimeoutMs);
    // The next visible message box of this process (any caption).
    MessageBoxSeen WaitMessageBox(DWORD timeoutMs = kDefaultTimeoutMs);
    // Waits until `window` has gone.
    void WaitGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);

    void Answer(const MessageBoxSeen& box, int buttonId);     // presses IDYES, IDNO, IDOK, ...
    void Click(HWND dialog, int id);                          // BM_CLICK on a button
    void Type(HWND dialog, int id, const std::string& text);  // replaces an edit control's text
    // The same with wide text: characters outside the ANSI code page too.
    void Type(HWND dialog, int id, const std::wstring& text);
    void PressKey(UINT virtualKey);  // key down and up at the focus of the code-under-test thread
    // A message to a window of the code under test: answered within a few
    // seconds, or a failure; a helper never hangs on a busy window.
    LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Invalidates `window`, frame and children, and waits until its thread has
    // painted it again, so that a picture shows what it shows now.
    void Repaint(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);
    std::string Text(HWND window);  // caption or control text
    std::string Text(HWND dialog, int id);
    HWND Focus();                              // focus window of the code-under-test thread
    void Screenshot(const std::string& name);  // saves the screen under the build tree

    void Record(const std::string& event);  // adds to the story of the test
    // The script has found or worked this window: it may still be on its way
    // out when the script ends.
    void Meet(HWND window);
    bool Met(HWND window);

    // Internal: set up by GuiHelper.
    Gui(DWORD uiThreadId, std::atomic<bool>& codeReturned, std::vector<std::string>& events, std::mutex& m)
        : uiThreadId_(uiThreadId), codeReturned_(codeReturned), events_(events), eventsMutex_(m) {}

private:
    HWND EditToTypeInto(HWND dialog, int id);  // the edit control, met; throws when there is none

    DWORD uiThreadId_;
    std::atomic<bool>& codeReturned_;
    std::vector<std::string>& events_;
    std::mutex& eventsMutex_;
    std::set<HWND> met_;  // guarded by eventsMutex_
};

template <typename Find>
auto Gui::WaitFor(const std::string& what, DWORD timeoutMs, Find find) -> decltype(find()) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (auto found = find()) return found;
        if (codeReturned_) throw GuiFailure{"the code under test returned before " + what};
        if (GetTickCount() - start > timeoutMs) throw GuiFailure{"timed out waiting for " + what};
        Sleep(kPollMs);
    }
}

// A script for code that must open no window: the helper only watches.
inline void NothingExpected(Gui&) {}

class GuiHelper {
public:
    explicit GuiHelper(std::function<void(Gui&)> script);
    ~GuiHelper();
    GuiHelper(const GuiHelper&) = delete;
    GuiHelper& operator=(const GuiHelper&) = delete;

    // Call once the code under test has returned. Waits for the script; a
    // message box or dialog still open is closed and counts as a failure.
    // When the test has failed, prints what the helper saw and did.
    void Join();
    // What the helper saw and did, in order.
    std::vector<std::string> Events();
    // Whether the helper reported a failure.
    bool Failed() const { return failed_; }

private:
    void Run(std::function<void(Gui&)> script);
    void CloseLeftovers(Gui& ui);
    void Fail(Gui& ui, const std::string& what);

    DWORD uiThreadId_;
    std::atomic<bool> codeReturned_{false};
    std::atomic<bool> failed_{false};
    std::vector<std::string> events_;
    std::mutex eventsMutex_;
    std::thread thread_;
};

// Runs `code` on this thread while `script` plays the user, and returns what
// `code` returned once the script has been joined.
template <typename Code>
auto RunWithGui(std::function<void(Gui&)> script, Code code) {
    GuiHelper gui(std::move(script));
    auto result = code();
    gui.Join();
    return result;
}

// Helpers usable from any thread.
void PostKeyPress(HWND target, UINT virtualKey);  // key down and up, as the keyboard would post them
std::vector<HWND> ProcessTopLevelWindows();       // visible top-level windows of this process
bool IsMessageBox(HWND window);
MessageBoxSeen ReadMessageBox(HWND box);
std::string WindowClass(HWND window);
void SaveScreenshot(const std::string& name);    // <build>/screenshots/<name>.bmp
void SaveScreenshotAs(const std::string& path);  // a BMP file at `path`

}  // namespace vftest
