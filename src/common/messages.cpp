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
    // Wide throughout: the shell's windows are Unicode, and a character typed
    // into one must not pass through a code page.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The shell's thread is asked to end: stop the run, and leave the
            // request in the queue for the shell's own loop after it.
            g_bCancel = TRUE;
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (g_hwndProgress && IsDialogMessageW(g_hwndProgress, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 1;
}

void FocusDlgControl(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

int ShowMessage(HWND owner, const char* text, UINT style) { return MessageBoxA(owner, text, kCaption, style); }

std::wstring LoadResText(HINSTANCE instance, UINT id) {
    std::wstring text;
    for (;;) {
        // With no buffer, LoadStringW hands out the resource's own text,
        // which is not terminated: its length comes with it.
        const wchar_t* piece = nullptr;
        int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&piece), 0);
        if (length <= 0 || !piece) break;
        bool continues = piece[0] == kContinuationMark;
        text.append(continues ? piece + 1 : piece, continues ? length - 1 : length);
        if (!continues) break;
        ++id;
    }
    return text;
}

std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args) {
    std::wstring text;
    const std::wstring_view* next = args.begin();
    for (size_t n = 0; n < format.size(); ++n) {
        wchar_t directive = n + 1 < format.size() && format[n] == L'%' ? format[n + 1] : L'\0';
        if (directive == L'%') {
            text += L'%';
            ++n;
        } else if ((directive == L's' || directive == L'u') && next != args.end()) {
            text += *next++;
            ++n;
        } else {
            text += format[n];
        }
    }
    return text;
}

int ShowMessageText(HWND owner, const std::wstring& text, UINT style) {
    return MessageBoxW(owner, text.c_str(), kCaptionText, style);
}

int ShowPathQuestion(UINT formatId, std::wstring_view path, UINT style) {
    return ShowMessageText(g_hwndOwner, FormatText(LoadResText(g_hInstance, formatId), {path}), style);
}
