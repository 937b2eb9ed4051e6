#include "cli/password.h"

#include <fcntl.h>
#include <iconv.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "crypto/wipe.h"

namespace {

// Reads up to the end of the line or of the input; false when nothing came.
bool ReadLine(int fd, std::string& line) {
    line.clear();
    char c;
    bool any = false;
    for (;;) {
        ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        any = true;
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

bool AskTerminal(int tty, const char* prompt, std::string& password) {
    termios saved;
    bool quiet = tcgetattr(tty, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        silent.c_lflag |= ECHONL;
        tcsetattr(tty, TCSAFLUSH, &silent);
    }
    (void)!write(tty, prompt, std::char_traits<char>::length(prompt));
    bool read = ReadLine(tty, password);
    if (quiet) tcsetattr(tty, TCSAFLUSH, &saved);
    return read;
}

}  // namespace

PasswordError ReadPassword(const std::string& file, bool twice, std::string& password) {
    if (!file.empty()) {
        int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return PasswordError::Unreadable;
        ReadLine(fd, password);
        close(fd);
    } else if (!isatty(STDIN_FILENO)) {
        ReadLine(STDIN_FILENO, password);
    } else {
        int tty = open("/dev/tty", O_RDWR | O_CLOEXEC);
        if (tty < 0) return PasswordError::Unreadable;
        bool read = AskTerminal(tty, twice ? "New password: " : "Password: ", password);
        std::string again;
        if (read && twice && !password.empty()) {
            read = AskTerminal(tty, "The same password again: ", again);
            if (read && again != password) {
                SecureWipe(again.data(), again.size());
                close(tty);
                return PasswordError::Differ;
            }
            SecureWipe(again.data(), again.size());
        }
        close(tty);
        if (!read) return PasswordError::Unreadable;
    }
    return password.empty() ? PasswordError::Empty : PasswordError::None;
}

PasswordError ToAnsi(const std::string& utf8, int codePage, std::string& ansi) {
    iconv_t convert = iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1))
        convert = iconv_open(("WINDOWS-" + std::to_string(codePage)).c_str(), "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) return PasswordError::BadCodePage;
    // A code page takes at most two bytes for a character, and UTF-8 at least one.
    ansi.assign(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* out = ansi.data();
    std::size_t outLeft = ansi.size();
    std::size_t done = iconv(convert, &in, &inLeft, &out, &outLeft);
    iconv_close(convert);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) {
        SecureWipe(ansi.data(), ansi.size());
        ansi.clear();
        return PasswordError::NotAnsi;
    }
    // glibc converts what has no place in the code page without failing,
    // counting each such character in its result.
    if (done != 0) {
        SecureWipe(ansi.data(), ansi.size());
        ansi.clear();
        return PasswordError::NotAnsi;
    }
    std::size_t length = ansi.size() - outLeft;
    SecureWipe(ansi.data() + length, ansi.size() - length);
    ansi.resize(length);
    return PasswordError::None;
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
