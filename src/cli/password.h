#pragma once
// Where the command line's password comes from, and the bytes it becomes.
#include <string>

enum class PasswordError { None, Unreadable, Empty, Differ, NotAnsi, BadCodePage };

// Reads one password, as UTF-8: the first line of `file` when given, else
// standard input when it is not a terminal, else the terminal with echo off
// (and, with `twice`, a second time to confirm). Never from an argument:
// those show in the process list. A leading byte-order mark is not part of it.
PasswordError ReadPassword(const std::string& file, bool twice, std::string& password);

// The password as the extension's key is made from it: its characters in
// the Windows ANSI code page `codePage` (0: the default),
// at most 254 bytes of whole characters from the first 254, as the
// extension's password field holds. NotAnsi when a character of those has no
// place in the code page, as the extension refuses such passwords.
// posix_password.cpp (iconv) and win32_password.cpp (the extension's own code).
PasswordError ToAnsi(const std::string& utf8, int codePage, std::string& ansi);
// The default code page, for --help.
extern const char* const kDefaultCodePageText;

// One line for stderr about `error`.
const char* PasswordErrorText(PasswordError error);
