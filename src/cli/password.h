#pragma once
// Where the command line's password comes from, and the bytes it becomes.
#include <string>

enum class PasswordError { None, Unreadable, Empty, Differ, NotAnsi, BadCodePage };

// Reads one password: the first line of `file` when given, else standard
// input when it is not a terminal, else the terminal with echo off (and,
// with `twice`, a second time to confirm). Never from an argument: those
// show in the process list.
PasswordError ReadPassword(const std::string& file, bool twice, std::string& password);

// The password as the extension's key is made from it: UTF-8 converted to
// the Windows ANSI code page `codePage`. NotAnsi when a character has no
// place in it, as the extension refuses such passwords.
PasswordError ToAnsi(const std::string& utf8, int codePage, std::string& ansi);

// One line for stderr about `error`.
const char* PasswordErrorText(PasswordError error);
