#include "host_window.h"

#include "gui.h"
#include "progress_gate.h"

namespace vfhost {
namespace {

constexpr char kClassName[] = "VfShellHost";
constexpr char kTitle[] = "Veilfold shell host";
// Posted behind the arrow keys: by the time it arrives the menu has moved.
constexpr UINT kMenuKeysDone = WM_APP + 1;
constexpr UINT kPhotographMessage = WM_APP + 2;
constexpr DWORD kPhotographTimeoutMs = 30000;
constexpr int kMenuX = 200, kMenuY = 150;

void RegisterHostClass() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kClassName;
    RegisterClassA(&cls);  // fails harmlessly when already registered
}

BOOL CALLBACK PaintNow(HWND window, LPARAM) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

}  // namespace

HostWindow::HostWindow() {
    RegisterHostClass();
    hwnd_ = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 320, nullptr, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
}

HostWindow::~HostWindow() { DestroyWindow(hwnd_); }

LRESULT CALLBACK HostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HostWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ENABLE:
        // A password dialog or the progress window takes the owner's input.
        if (!wParam && gate_) gate_->OnOwnerDisabled(hwnd_);
        break;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU && choice_ && !choice_->keysSent) SendMenuKeys();
        break;
    case kMenuKeysDone: OnMenuHighlighted(); return 0;
    case kPhotographMessage: TakePhotograph(reinterpret_cast<const char*>(lParam)); return 0;
    default: break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

UINT HostWindow::ChooseFromMenu(HMENU menu, int position, const std::function<void()>& whileShown) {
    MenuChoice choice{menu, position, &whileShown, false};
    choice_ = &choice;
    SetForegroundWindow(hwnd_);
    UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, kMenuX, kMenuY, 0, hwnd_, nullptr);
    choice_ = nullptr;
    return chosen;
}

void HostWindow::PostKey(UINT virtualKey) { vftest::PostKeyPress(hwnd_, virtualKey); }

// The menu is on the screen and waiting: one Down for every item up to the
// chosen one (Down passes over separators, as it does for a user).
void HostWindow::SendMenuKeys() {
    choice_->keysSent = true;
    for (int i = 0; i <= choice_->position; ++i)
        if (!(GetMenuState(choice_->menu, i, MF_BYPOSITION) & MF_SEPARATOR)) PostKey(VK_DOWN);
    PostMessageA(hwnd_, kMenuKeysDone, 0, 0);
}

void HostWindow::OnMenuHighlighted() {
    if (!choice_) return;
    if (!(GetMenuState(choice_->menu, choice_->position, MF_BYPOSITION) & MF_HILITE)) {
        EndMenu();
        return;
    }
    if (*choice_->whileShown) (*choice_->whileShown)();
    PostKey(VK_RETURN);
}

void HostWindow::Photograph(const std::string& path) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(hwnd_, kPhotographMessage, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL,
                        kPhotographTimeoutMs, &ignored);
}

void HostWindow::TakePhotograph(const char* path) {
    EnumThreadWindows(GetCurrentThreadId(), PaintNow, 0);
    // Waiting for messages, even for no time, is when painted windows reach the screen.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    vftest::SaveScreenshotAs(path);
}

}  // namespace vfhost
