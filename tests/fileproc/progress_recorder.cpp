#include "progress_recorder.h"

#include <commctrl.h>

#include "common/state.h"
#include "paths.h"
#include "resource.h"

namespace vftest {
namespace {

constexpr char kClassName[] = "VfProgressRecorder";
constexpr UINT kCancelMessage = WM_APP + 1;
ProgressRecorder* s_recorder;  // one at a time, on the test's thread

}  // namespace

ProgressRecorder::ProgressRecorder() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = g_hInstance;
    cls.lpszClassName = kClassName;
    RegisterClassA(&cls);  // fails harmlessly when already registered
    s_recorder = this;
    window_ = CreateWindowA(kClassName, "", WS_POPUP, 0, 0, 300, 60, nullptr, nullptr, g_hInstance, nullptr);
    HWND name = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 280, 16, window_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILENAME)), g_hInstance, nullptr);
    HWND bar = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD, 0, 20, 280, 16, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESSBAR)), g_hInstance, nullptr);
    // A wide procedure: the names arrive as they are, whatever the code page.
    nameProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(name, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NameProc)));
    barProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BarProc)));
    g_hwndProgress = window_;
    g_hwndProgressBar = bar;
}

ProgressRecorder::~ProgressRecorder() {
    g_hwndProgress = nullptr;
    g_hwndProgressBar = nullptr;
    DestroyWindow(window_);
    s_recorder = nullptr;
}

void ProgressRecorder::PostCancel() { PostMessageA(window_, kCancelMessage, 0, 0); }

LRESULT CALLBACK ProgressRecorder::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCancelMessage) {
        g_bCancel = TRUE;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ProgressRecorder::NameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && s_recorder) {
        std::string name = Utf8(reinterpret_cast<const wchar_t*>(lParam));
        s_recorder->names_.push_back(name);
        if (s_recorder->onName_) s_recorder->onName_(name);
    }
    return CallWindowProcW(s_recorder->nameProc_, window, message, wParam, lParam);
}

LRESULT CALLBACK ProgressRecorder::BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS && s_recorder) {
        s_recorder->positions_.push_back(static_cast<int>(wParam));
        if (s_recorder->onPosition_) s_recorder->onPosition_(static_cast<int>(wParam));
    }
    return CallWindowProcA(s_recorder->barProc_, window, message, wParam, lParam);
}

}  // namespace vftest
