#include "fileproc/file_progress.h"

#include <commctrl.h>

#include "common/state.h"
#include "resource.h"

namespace {

void SetBar(int percent) { SendMessageA(g_hwndProgressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0); }

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

}  // namespace

void ShowProgressFile(const std::wstring& path) {
    if (!g_hwndProgress) return;
    SetDlgItemTextW(g_hwndProgress, IDC_FILENAME, path.c_str());
    SetBar(0);
}

void ShowProgressPercent(ULONGLONG done, ULONGLONG size) {
    if (!g_hwndProgress) return;
    SetBar(ProgressPercent(done, size));
}
