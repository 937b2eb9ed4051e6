#pragma once
#include <windows.h>

// The About command: shows the About window over `owner` and returns when it is closed.
void ShowAboutBox(HWND owner);

// Removes the About window's class; for the module's unload (DLL_PROCESS_DETACH),
// so that no class is left pointing into unloaded code. No About window may be open.
void UnregisterAboutBoxClass();
