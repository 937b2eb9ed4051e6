#pragma once
// The modeless progress window of a command run (template PROGRESSDLG).
#include <windows.h>

// lParam: a NUL-terminated text of at most 255 characters, the new caption.
inline constexpr UINT WM_SETPROGRESSTITLE = WM_USER + 1001;

// Disables g_hwndOwner while the window is up; Cancel, Escape and Close set
// g_bCancel and destroy the window at once. Returns FALSE for every message.
INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Centres `window` on the screen, then shifts it by dx, dy pixels.
void CenterWindowOffset(HWND window, int dx, int dy);

// Opens the window owned by g_hwndOwner into g_hwndProgress, with the caption
// string `titleId` and the bar at 0. A window that cannot be created leaves
// g_hwndProgress null; the run goes on without it.
void OpenProgressWindow(UINT titleId);

// Destroys the window unless the user already closed it.
void CloseProgressWindow();
