#include "about_test_support.h"

#include "shell/state.h"

namespace abouttest {

HWND WaitAboutWindow(vftest::Gui& ui) { return ui.WaitWindow("Veilfold", "AboutBoxClass"); }

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

RECT RectInParent(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HFONT CreateTestTitleFont() {
    return CreateFontA(-18, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

OwnerWindow::OwnerWindow(RECT place) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = g_hInstance;
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = "VfAboutTestOwner";
    RegisterClassA(&cls);  // fails harmlessly when already registered
    window_ = CreateWindowExA(0, cls.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, place.left,
                              place.top, place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                              g_hInstance, nullptr);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
}

OwnerWindow::~OwnerWindow() { DestroyWindow(window_); }

}  // namespace abouttest
