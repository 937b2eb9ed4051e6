#include "fileproc/file_progress.h"

#include <commctrl.h>

#include "common/state.h"
#include "resource.h"

namespace {

// done / size in percent, rounded to the nearest integer; 100 when done >= size.
int ProgressPercent(ULONGLONG done, ULONGLONG size) {
    if (done >= size) return 100;
    // done * 100 must not overflow: past 2^56 bytes, drop precision nobody can see.
    constexpr ULONGLONG kExactLimit = 1ULL << 56;
    if (size >= kExactLimit) {
        done >>= 8;
        size >>= 8;
    }
    return static_cast<int>((done * 100 + size / 2) / size);
}

// What the window is to show, and what it shows.
struct View {
    HWND window = nullptr;  // the progress window painted last
    ULONGLONG nameAt = 0;   // when the name was painted last
    ULONGLONG barAt = 0;    // when the name or the bar was painted last
    std::wstring name;
    bool nameChanged = false;
    int percent = 0;
    int shownPercent = -1;
};

View g_view;
unsigned g_repaintMs = kProgressRepaintMs;

// A new name waits only for the name painted before it, not for the bar: a
// file shown long enough to be read is never hidden behind its own bar.
void Paint(bool now) {
    if (!g_hwndProgress) return;
    ULONGLONG tick = GetTickCount64();
    bool newWindow = g_view.window != g_hwndProgress;
    if (newWindow) g_view.shownPercent = -1;
    bool paintName = (g_view.nameChanged || newWindow) && (now || newWindow || tick - g_view.nameAt >= g_repaintMs);
    bool paintBar =
        g_view.percent != g_view.shownPercent && (now || newWindow || paintName || tick - g_view.barAt >= g_repaintMs);
    if (paintName) {
        SetDlgItemTextW(g_hwndProgress, IDC_FILENAME, g_view.name.c_str());
        g_view.nameAt = tick;
        g_view.nameChanged = false;
    }
    if (paintBar) SendMessageA(g_hwndProgressBar, PBM_SETPOS, static_cast<WPARAM>(g_view.percent), 0);
    if (paintName || paintBar) {
        g_view.barAt = tick;
        g_view.shownPercent = g_view.percent;
    }
    g_view.window = g_hwndProgress;
}

}  // namespace

void ShowProgressFile(const std::wstring& path) {
    if (!g_hwndProgress) return;
    g_view.name = path;
    g_view.nameChanged = true;
    g_view.percent = 0;
    // With every change shown, a new name always sets the bar to 0 too.
    if (g_repaintMs == 0) g_view.shownPercent = -1;
    Paint(false);
}

void ShowProgressPercent(ULONGLONG done, ULONGLONG size) {
    if (!g_hwndProgress) return;
    g_view.percent = ProgressPercent(done, size);
    Paint(false);
}

void ShowProgressNow() { Paint(true); }

void SetProgressRepaintInterval(unsigned milliseconds) { g_repaintMs = milliseconds; }
