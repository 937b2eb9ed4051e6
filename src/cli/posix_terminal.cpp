#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "cli/terminal.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

class PosixTerminal final : public Terminal {
public:
    explicit PosixTerminal(int fd) : fd_(fd) {}
    ~PosixTerminal() override { close(fd_); }

    bool Ask(const std::string& prompt, std::string& line, bool echo) override {
        termios saved;
        bool silenced = !echo && tcgetattr(fd_, &saved) == 0;
        if (silenced) {
            termios silent = saved;
            silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            silent.c_lflag |= ECHONL;
            tcsetattr(fd_, TCSAFLUSH, &silent);
        }
        Write(prompt);
        // A byte at a time: nothing of the line is left in a buffer.
        line.clear();
        line.reserve(256);  // fewer copies of a password left behind as it grows
        bool any = false;
        for (char c;;) {
            ssize_t got = read(fd_, &c, 1);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            any = true;
            if (c == '\n') break;
            line += c;
        }
        if (silenced) tcsetattr(fd_, TCSAFLUSH, &saved);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return any;
    }

private:
    void Write(const std::string& text) {
        for (std::size_t done = 0; done < text.size();) {
            ssize_t wrote = write(fd_, text.data() + done, text.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return;
            done += static_cast<std::size_t>(wrote);
        }
    }

    int fd_;
};

}  // namespace

std::unique_ptr<Terminal> Terminal::Open() {
    int fd = open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixTerminal>(fd);
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }
bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }
