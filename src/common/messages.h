#pragma once
// String-table access, message boxes, and the small window helpers shared by
// the command run, the file processing and the dialogs.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

// Message-box styles of the module.
inline constexpr UINT kStyleValidation = MB_OK | MB_ICONEXCLAMATION;          // 0x30: inside the password dialogs
inline constexpr UINT kStyleFailure = MB_OK | MB_ICONHAND | MB_ICONASTERISK;  // 0x50: a run-level failure
inline constexpr UINT kStyleContinue = MB_YESNO | MB_ICONEXCLAMATION;         // 0x34: go on with the next file?
inline constexpr UINT kStyleConfirm = MB_YESNOCANCEL | MB_ICONEXCLAMATION;    // 0x33: already / not encrypted
inline constexpr UINT kStyleSummary = MB_OK | MB_ICONEXCLAMATION;             // 0x30: what a run passed over

// String-table entry `id` of `instance`. An entry beginning with "!" continues
// with entry id + 1. The text lives in one of three rotating 512-byte buffers
// of the calling thread: it stays valid until the third following call on that
// thread, whatever other threads load. Never null; "" when missing.
const char* LoadResString(HINSTANCE instance, UINT id);

// Drains the calling thread's queue without waiting, letting the progress
// window's dialog keys work. A WM_QUIT cancels the run and is posted again
// for the shell's loop. Always returns 1.
int PumpMessages();

// Gives the keyboard focus to control `id` of `dialog` (WM_NEXTDLGCTL).
void FocusDlgControl(HWND dialog, int id);

// MessageBoxA with the module's caption.
int ShowMessage(HWND owner, const char* text, UINT style);

// Wide forms, for texts that carry file names: a name is shown as it is,
// whatever the code page, and a path of any length fits.

// String-table entry `id` as wide text, a "!" chain joined; "" when missing.
std::wstring LoadResText(HINSTANCE instance, UINT id);

// `format` with each %s and %u replaced by the next of `args` in turn; "%%"
// is a single '%'. Nothing is read beyond the arguments given.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args);

// MessageBoxW with the module's caption.
int ShowMessageText(HWND owner, const std::wstring& text, UINT style);

// Formats string `formatId` with `path` and shows it, owned by g_hwndOwner.
// Returns the button pressed.
int ShowPathQuestion(UINT formatId, std::wstring_view path, UINT style);
