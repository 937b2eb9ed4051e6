#pragma once
// The bytes a password's key is made from: its characters in the ANSI code
// page. The password dialogs and the command line on Windows both go
// through here, so that one password gives one key everywhere.
#include <windows.h>

// A password field's buffer: 254 characters (bytes, in the ANSI code page)
// and the terminator. Longer typed text counts by its first 254 characters.
inline constexpr int kPasswordFieldSize = 255;

// Puts the first `count` characters of `wide` (at most kPasswordFieldSize - 1
// of them, as a field holds) into `text` in code page `codePage` (CP_ACP:
// the ANSI code page) and returns its length: at most kPasswordFieldSize - 1
// bytes, so where characters take more than one byte, the whole characters
// that fit. `exact` tells whether those bytes spell them with no default
// char and no best-fit look-alike: only then are they a password.
int PasswordBytes(const wchar_t* wide, int count, UINT codePage, char (&text)[kPasswordFieldSize], bool& exact);
