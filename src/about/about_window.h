#pragma once
// The About window: its class, its window procedure and the builder that lays
// it out at run time and runs its modal loop.
#include <windows.h>

#include "about/about_layout.h"

inline constexpr char kAboutClassName[] = "AboutBoxClass";

// Window extra bytes: the icon handle, then the credits text pointer. Both are
// pointer-sized slots at pointer-aligned offsets, so 64-bit handles and
// pointers are kept whole.
inline constexpr int kIconSlot = 0;
inline constexpr int kCreditsSlot = sizeof(LONG_PTR);
inline constexpr int kAboutWindowExtraBytes = 2 * sizeof(LONG_PTR);

// ux and uy: four times the border width and height.
LayoutUnits AboutUnits();

// Shows the About window and runs its modal loop. title, titleFont, icon,
// owner and credits may be null; without credits there is no "&Credits".
// Returns 1 once the window was shown and has gone, 0 when nothing was shown.
int RunAboutWindow(HINSTANCE instance, HWND owner, HICON icon, const char* title, HFONT titleFont, const char* text,
                   const char* credits, const char* caption);

LRESULT CALLBACK AboutWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the control of one cell; succeeds without a control for an empty cell.
BOOL CreateCellControl(HWND about, const AboutCell& cell);

// The credits text the window was built with, or null.
const char* AboutCreditsText(HWND about);
