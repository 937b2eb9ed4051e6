#pragma once
// What the password dialogs share: reading a password field, rejecting input,
// running a dialog, and context help.
#include <windows.h>

#include "crypto/sha1.h"
#include "keys/password_bytes.h"

// A password read from a dialog field, wiped when it goes out of scope. The
// key comes from its bytes in the ANSI code page; a character the code page
// cannot spell (no best-fit look-alikes) makes the field inexact.
class PasswordField {
public:
    PasswordField(HWND dialog, int id);
    ~PasswordField();
    PasswordField(const PasswordField&) = delete;
    PasswordField& operator=(const PasswordField&) = delete;

    const char* text() const { return text_; }
    int length() const { return length_; }
    // Nothing typed; text that fails to convert is inexact, never empty.
    bool empty() const { return length_ == 0 && exact_; }
    // Whether text() spells what was typed: only then is it a password.
    bool exact() const { return exact_; }

private:
    char text_[kPasswordFieldSize];
    int length_;
    bool exact_;
};

// True when `password` verifies against g_CheckValue (in constant time).
// Its key lands in `key` either way; the caller wipes it.
bool VerifyPassword(const PasswordField& password, KeyDigest& key);

// Shows validation message `stringId` over the dialog and moves the focus to
// `field`, selecting its whole text when asked. The dialog stays open.
void RejectInput(HWND dialog, UINT stringId, int field, bool selectText);

// Copies string `stringId` into g_szMessage: the change dialog's instruction.
void SetChangeDialogPrompt(UINT stringId);

// Runs one of the module's dialogs modally, owned by g_hwndOwner. When it
// cannot be created, says so ("Dialog open error") and returns false.
bool RunModalDialog(const char* templateName, DLGPROC procedure);

// WM_HELP of a password dialog: help for the control under the cursor or focus.
void ShowContextHelp(LPARAM helpInfo, const DWORD* helpIds);

// The help calls, replaceable so that tests can watch them. WinHelpA serves
// an old "veilfold.hlp" beside the module; without one, a popup of the
// module's own topic text goes through HtmlHelpA (hhctrl.ocx, loaded on
// first use), since current Windows has no WinHelp.
using WinHelpFunction = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
extern WinHelpFunction g_pfnWinHelp;
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
extern HtmlHelpFunction g_pfnHtmlHelp;
