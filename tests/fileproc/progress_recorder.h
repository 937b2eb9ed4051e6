#pragma once
// A stand-in for the progress window: an invisible window with the file-name
// control and a real progress bar, installed as g_hwndProgress and
// g_hwndProgressBar, that records every file name shown and bar position set.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vftest {

class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    const std::vector<std::string>& names() const { return names_; }
    const std::vector<int>& positions() const { return positions_; }

    // Called with each file name as it is shown.
    void OnName(std::function<void(const std::string&)> handler) { onName_ = std::move(handler); }
    // Called with each bar position as it is set.
    void OnPosition(std::function<void(int)> handler) { onPosition_ = std::move(handler); }
    HWND window() const { return window_; }
    // Posts a message that sets g_bCancel when it is dispatched, as the
    // Cancel button does when the message pump reaches its click.
    void PostCancel();

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK NameProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK BarProc(HWND, UINT, WPARAM, LPARAM);

    HWND window_ = nullptr;
    WNDPROC nameProc_ = nullptr;
    WNDPROC barProc_ = nullptr;
    std::vector<std::string> names_;
    std::vector<int> positions_;
    std::function<void(const std::string&)> onName_;
    std::function<void(int)> onPosition_;
};

}  // namespace vftest
