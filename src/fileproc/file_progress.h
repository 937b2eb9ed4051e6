#pragma once
// The progress window's view of the file being transformed. Every call does
// nothing while there is no progress window (g_hwndProgress null).
#include <windows.h>

#include <string>

// Shows `path`, as it is, in the file-name control and sets the bar to 0.
void ShowProgressFile(const std::wstring& path);

// Sets the bar to done / size in percent, rounded; 100 once done reaches size.
void ShowProgressPercent(ULONGLONG done, ULONGLONG size);
