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
// Every wait times out (default 10 s) with a test failure; the helper then
// closes whatever windows of the process are left until the code returns.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vftest {

inline constexpr DWORD kDefaultTimeoutMs = 10000;

// What the helper read back from a message box.
struct MessageBoxSeen {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    UINT style = 0;  // MB_OK/MB_YESNO/... | MB_ICON..., reconstructed from the buttons and icon shown
};

// Thrown inside the helper thread when a wait times out; GuiHelper catches it.
struct GuiTimeout {
    std::string what;
};

class Gui {
public:
    // A visible top-level window of this process with this caption (and class, if given).
    HWND WaitWindow(const std::string& caption, const char* className = nullptr,
                    DWORD timeoutMs = kDefaultTimeoutMs);
    // The next visible message box of this process (any caption).
    MessageBoxSeen WaitMessageBox(DWORD timeoutMs = kDefaultTimeoutMs);
    // Waits until `window` has gone.
    void WaitGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);

    void Answer(const MessageBoxSeen& box, int buttonId);  // presses IDYES, IDNO, IDOK, ...
    void Click(HWND dialog, int id);                       // BM_CLICK on a button
    void Type(HWND dialog, int id, const std::string& text);  // replaces an edit control's text
    void PressKey(UINT virtualKey);   // key down and up at the focus of the code-under-test thread
    std::string Text(HWND window);                // caption or control text
    std::string Text(HWND dialog, int id);
    HWND Focus();                                 // focus window of the code-under-test thread
    void Screenshot(const std::string& name);     // saves the screen under the build tree

    void Record(const std::string& event);        // adds to the story of the test

    // Internal: set up by GuiHelper.
    Gui(DWORD uiThreadId, std::atomic<bool>& codeReturned, std::vector<std::string>& events, std::mutex& m)
        : uiThreadId_(uiThreadId), codeReturned_(codeReturned), events_(events), eventsMutex_(m) {}

private:
    template <typename Find>
    auto WaitFor(const std::string& what, DWORD timeoutMs, Find find) -> decltype(find());

    DWORD uiThreadId_;
    std::atomic<bool>& codeReturned_;
    std::vector<std::string>& events_;
    std::mutex& eventsMutex_;
};

class GuiHelper {
public:
    explicit GuiHelper(std::function<void(Gui&)> script);
    ~GuiHelper();
    GuiHelper(const GuiHelper&) = delete;
    GuiHelper& operator=(const GuiHelper&) = delete;

    // Call once the code under test has returned. Waits for the script; a
    // message box or dialog still open is closed and counts as a failure.
    void Join();
    // What the helper saw and did, in order.
    std::vector<std::string> Events();

private:
    void Run(std::function<void(Gui&)> script);

    DWORD uiThreadId_;
    std::atomic<bool> codeReturned_{false};
    std::vector<std::string> events_;
    std::mutex eventsMutex_;
    std::thread thread_;
};

// Helpers usable from any thread.
std::vector<HWND> ProcessTopLevelWindows();      // visible top-level windows of this process
bool IsMessageBox(HWND window);
MessageBoxSeen ReadMessageBox(HWND box);
std::string WindowClass(HWND window);
void SaveScreenshot(const std::string& name);    // <build>/screenshots/<name>.bmp
void SaveScreenshotAs(const std::string& path);  // a BMP file at `path`

}  // namespace vftest
