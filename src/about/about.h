#pragma once
#include <windows.h>

// The About command: shows the About window over `owner` and returns when it is closed.
void ShowAboutBox(HWND owner);
