#include <windows.h>

#include <iterator>

#include "cli/terminal.h"
#include "crypto/wipe.h"

namespace {

volatile LONG g_interrupted = 0;

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    InterlockedExchange(&g_interrupted, 1);
    return TRUE;
}

// The console's input mode while a prompt has turned echo off: the console
// outlives the program, and Ctrl-C there must not leave it silent.
HANDLE g_silencedInput = nullptr;
DWORD g_inputMode = 0;

BOOL WINAPI RestoreEcho(DWORD) {
    SetConsoleMode(g_silencedInput, g_inputMode);
    return FALSE;  // and on to the handler that ends the program
}

bool IsConsole(HANDLE handle) {
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

// The console's own input and screen, whatever the standard handles lead to.
class Console final : public Terminal {
public:
    Console(HANDLE in, HANDLE out) : in_(in), out_(out) {}
    ~Console() override {
        CloseHandle(in_);
        CloseHandle(out_);
    }

    bool Ask(const std::string& prompt, std::string& line, bool echo) override {
        DWORD saved = 0;
        bool silenced = !echo && GetConsoleMode(in_, &saved);
        if (silenced) {
            g_silencedInput = in_;
            g_inputMode = saved;
            SetConsoleCtrlHandler(RestoreEcho, TRUE);
            SetConsoleMode(in_, (saved & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT);
            FlushConsoleInputBuffer(in_);  // nothing typed ahead shows
        }
        Write(prompt);
        std::wstring wide;
        wide.reserve(256);  // fewer copies of a password left behind as it grows
        wchar_t piece[64];
        bool ended = false;
        while (!ended) {
            DWORD got = 0;
            if (!ReadConsoleW(in_, piece, static_cast<DWORD>(std::size(piece)), &got, nullptr) || got == 0) break;
            for (DWORD n = 0; n < got && !ended; ++n) {
                if (piece[n] == L'\n')
                    ended = true;
                else if (piece[n] != L'\r')
                    wide += piece[n];
            }
        }
        SecureWipe(piece);
        if (silenced) {
            SetConsoleMode(in_, saved);
            SetConsoleCtrlHandler(RestoreEcho, FALSE);
            g_silencedInput = nullptr;
            Write("\n");
        }
        line.clear();
        if (!wide.empty()) {
            int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           nullptr);
            line.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), line.data(), size, nullptr,
                                nullptr);
        }
        SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
        return ended || !line.empty();
    }

private:
    void Write(const std::string& text) {
        int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
        DWORD written;
        WriteConsoleW(out_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }

    HANDLE in_;
    HANDLE out_;
};

}  // namespace

std::unique_ptr<Terminal> Terminal::Open() {
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (IsConsole(in) && IsConsole(out)) return std::make_unique<Console>(in, out);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return nullptr;
}

bool StdinIsTerminal() { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }
bool StderrIsTerminal() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

void CatchInterrupt() { SetConsoleCtrlHandler(OnControl, TRUE); }

bool Interrupted() { return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0; }
