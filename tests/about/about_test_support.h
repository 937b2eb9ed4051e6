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

}  // namespace abouttest
