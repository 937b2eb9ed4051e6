#pragma once
// The user's terminal: /dev/tty on POSIX, the console on Windows
// (posix_terminal.cpp, win32_terminal.cpp). Questions and the password
// prompt go to it, never to redirected standard streams.
#include <memory>
#include <string>

class Terminal {
public:
    // The process's terminal; null when it has none.
    static std::unique_ptr<Terminal> Open();
    virtual ~Terminal() = default;

    // Shows `prompt` and reads one line without its end; false when none
    // came. With `echo` off the typed characters do not show (from before
    // the prompt: nothing typed ahead shows either), and the line end does.
    virtual bool Ask(const std::string& prompt, std::string& line, bool echo) = 0;
};

bool StdinIsTerminal();
bool StderrIsTerminal();

// Ctrl-C (and on POSIX a termination request) sets Interrupted() rather than
// killing the process: the run stops between blocks, the file in hand put
// back or finished as the engine sees fit.
void CatchInterrupt();
bool Interrupted();
