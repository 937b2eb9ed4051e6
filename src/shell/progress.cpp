#include "shell/progress.h"

#include <commctrl.h>

#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "resource.h"

namespace {

constexpr int kTitleBufferSize = 256;

// Every way the window goes gives the owner back its input and activation;
// done before the window is gone, so the system does not activate another.
void ReleaseOwner() {
    if (!g_hwndOwner) return;
    EnableWindow(g_hwndOwner, TRUE);
    SetActiveWindow(g_hwndOwner);
}

void InitProgressWindow(HWND window) {
    if (g_hwndOwner) EnableWindow(g_hwndOwner, FALSE);
    CenterWindowOffset(window, 0, -(GetSystemMetrics(SM_CYSCREEN) / 4));
    g_bCancel = FALSE;
    g_hwndProgressBar = GetDlgItem(window, IDC_PROGRESSBAR);
    // Cancel is also the default button: Enter, Space and Escape all cancel.
    FocusDlgControl(window, IDCANCEL);
}

void CancelRun(HWND window) {
    DestroyWindow(window);
    g_bCancel = TRUE;
    g_hwndProgress = nullptr;
    ReleaseOwner();
}

void SetProgressTitle(HWND window, const char* text) {
    char title[kTitleBufferSize] = {};
    if (text) lstrcpynA(title, text, kTitleBufferSize);
    SetWindowTextA(window, title);
}

}  // namespace

INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitProgressWindow(window); break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) CancelRun(window);
        break;
    case WM_DESTROY:
        // The bar goes with the window; a stale handle could name a new window later.
        g_hwndProgressBar = nullptr;
        ReleaseOwner();
        break;
    case WM_SETPROGRESSTITLE: SetProgressTitle(window, reinterpret_cast<const char*>(lParam)); break;
    default: break;
    }
    return FALSE;
}

void CenterWindowOffset(HWND window, int dx, int dy) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(window, dx + screenWidth / 2 - width / 2, dy + screenHeight / 2 - height / 2, width, height, TRUE);
}

void OpenProgressWindow(UINT titleId) {
    g_hwndProgress = CreateDialogParamW(g_hInstance, kProgressTemplate, g_hwndOwner, ProgressDlgProc, 0);
    if (!g_hwndProgress) return;
    SendMessageA(g_hwndProgress, WM_SETPROGRESSTITLE, 0, reinterpret_cast<LPARAM>(LoadResString(g_hInstance, titleId)));
    SendMessageA(g_hwndProgressBar, PBM_SETPOS, 0, 0);
}

void CloseProgressWindow() {
    if (g_hwndProgress) DestroyWindow(g_hwndProgress);
    g_hwndProgress = nullptr;
}
