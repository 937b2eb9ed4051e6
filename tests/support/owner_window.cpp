#include "owner_window.h"

namespace vftest {

OwnerWindow::OwnerWindow(RECT place) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = "VfTestOwner";
    RegisterClassA(&cls);  // fails harmlessly when already registered
    hwnd_ = CreateWindowA(cls.lpszClassName, "Test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, place.left, place.top,
                          place.right - place.left, place.bottom - place.top, nullptr, nullptr, cls.hInstance, nullptr);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
}

OwnerWindow::~OwnerWindow() { DestroyWindow(hwnd_); }

}  // namespace vftest
