#pragma once
// The progress window's view of the file being transformed. Every call does
// nothing while there is no progress window (g_hwndProgress null).
//
// A run over many small files would spend most of its time painting, so the
// name and the bar each repaint at most about 30 times a second: what changes
// in between is held back and shown at the next call past the interval, and
// the file in hand is always the one shown by then. The bar's 0 to 100 of a file that
// is over between two repaints is not seen.
#include <windows.h>

#include <string>

// Shows `path`, as it is, in the file-name control and sets the bar to 0.
void ShowProgressFile(const std::wstring& path);

// Sets the bar to done / size in percent, rounded; 100 once done reaches size.
void ShowProgressPercent(ULONGLONG done, ULONGLONG size);

// Shows at once whatever is held back: before the run waits on a question.
void ShowProgressNow();

// The least time between two repaints; 0 shows every change (tests that
// follow every name and percent).
inline constexpr unsigned kProgressRepaintMs = 33;
void SetProgressRepaintInterval(unsigned milliseconds);
