#include "common/messages.h"

#include "common/state.h"
#include "common/texts.h"

namespace {
constexpr int kResStringBufferSize = 512;
constexpr int kResStringPieceSize = 256;
constexpr char kContinuationMark = '!';

// Per thread: Explorer asks for help texts on other threads than the one a
// run is on, and a shared buffer could change under a text still being read.
thread_local char s_resStrings[3][kResStringBufferSize];
thread_local int s_nextResString;
}  // namespace

const char* LoadResString(HINSTANCE instance, UINT id) {
    char* buffer = s_resStrings[s_nextResString];
    s_nextResString = (s_nextResString + 1) % 3;
    buffer[0] = '\0';
    for (;;) {
        char piece[kResStringPieceSize];
        if (LoadStringA(instance, id, piece, sizeof piece) <= 0) break;
        bool continues = piece[0] == kContinuationMark;
        // lstrcatA with a bound: a chain longer than the buffer is cut, never overrun.
        int used = lstrlenA(buffer);
        lstrcpynA(buffer + used, continues ? piece + 1 : piece, kResStringBufferSize - used);
        if (!continues) break;
        ++id;
    }
    return buffer;
}

int PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The shell's thread is asked to end: stop the run, and leave the
            // request in the queue for the shell's own loop after it.
            g_bCancel = TRUE;
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (g_hwndProgress && IsDialogMessageA(g_hwndProgress, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

void FocusDlgControl(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

int ShowMessage(HWND owner, const char* text, UINT style) { return MessageBoxA(owner, text, kCaption, style); }

int ShowPathPrompt(UINT formatId, const char* path, UINT style) {
    // wsprintfA cannot be bounded: keep the path short enough that format and
    // path always fit g_szMessage.
    char shownPath[kMessageBufferSize - 256];
    lstrcpynA(shownPath, path, sizeof shownPath);
    wsprintfA(g_szMessage, LoadResString(g_hInstance, formatId), shownPath);
    return ShowMessage(g_hwndOwner, g_szMessage, style);
}
