#pragma once
// What the About window tests share.
#include <windows.h>

#include <functional>
#include <vector>

#include "gui.h"

namespace abouttest {

// The About window, once it is up.
HWND WaitAboutWindow(vftest::Gui& ui);

// Child windows in creation order.
std::vector<HWND> ChildrenOf(HWND parent);

// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

// The title font the About command makes.
HFONT CreateTestTitleFont();

// A visible, active top-level window to own the About window; destroyed with the object.
class OwnerWindow {
public:
    explicit OwnerWindow(RECT place = RECT{100, 100, 500, 300});
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    operator HWND() const { return window_; }

private:
    HWND window_;
};

}  // namespace abouttest
