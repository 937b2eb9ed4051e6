#include "cli/password.h"

#include <cstdio>

#include "cli/system.h"
#include "cli/terminal.h"
#include "crypto/wipe.h"

namespace {

// Up to the end of the line or of the input; false when nothing came.
bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    line.reserve(256);  // fewer copies of a password left behind as it grows
    bool any = false;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // What Windows editors put at the start of a UTF-8 file.
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    return any;
}

PasswordError AskTerminal(bool twice, std::string& password) {
    std::unique_ptr<Terminal> terminal = Terminal::Open();
    if (!terminal) return PasswordError::Unreadable;
    if (!terminal->Ask(twice ? "New password: " : "Password: ", password, false)) return PasswordError::Unreadable;
    if (!twice || password.empty()) return PasswordError::None;
    std::string again;
    bool read = terminal->Ask("The same password again: ", again, false);
    bool same = read && again == password;
    SecureWipe(again.data(), again.size());
    if (!read) return PasswordError::Unreadable;
    return same ? PasswordError::None : PasswordError::Differ;
}

}  // namespace

PasswordError ReadPassword(const std::string& file, bool twice, std::string& password) {
    if (!file.empty()) {
        std::FILE* opened = OpenUnbuffered(file);
        if (!opened) return PasswordError::Unreadable;
        ReadLine(opened, password);
        std::fclose(opened);
    } else if (!StdinIsTerminal()) {
        std::setvbuf(stdin, nullptr, _IONBF, 0);
        ReadLine(stdin, password);
    } else if (PasswordError error = AskTerminal(twice, password); error != PasswordError::None) {
        return error;
    }
    return password.empty() ? PasswordError::Empty : PasswordError::None;
}

const char* PasswordErrorText(PasswordError error) {
    switch (error) {
    case PasswordError::None: return "";
    case PasswordError::Unreadable: return "no password could be read";
    case PasswordError::Empty: return "no password entered";
    case PasswordError::Differ: return "the passwords don't match";
    case PasswordError::NotAnsi:
        return "the password has characters that the code page cannot hold, and cannot be a password; use other "
               "characters";
    case PasswordError::BadCodePage: return "unknown code page";
    }
    return "";
}
