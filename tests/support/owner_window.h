#pragma once
// A window for the module's windows to belong to, as the shell's window does.
#include <windows.h>

namespace vftest {

// A visible, active top-level window on the calling thread, destroyed with the object.
class OwnerWindow {
public:
    explicit OwnerWindow(RECT place = RECT{100, 100, 500, 300});
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_;
};

}  // namespace vftest
