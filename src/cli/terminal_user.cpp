#include "cli/terminal_user.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/system.h"

namespace {

struct QuestionText {
    Question question;
    const char* text;   // %s: the path
    bool confirmation;  // Yes / No / Cancel about this one file; else "go on?" after a failure
};

constexpr QuestionText kQuestions[] = {
    {Question::NotFound, "%s: no such file or folder", false},
    {Question::CannotOpen, "%s: cannot open it", false},
    {Question::AlreadyEncrypted, "%s: already encrypted (its name is marked); encrypt it again?", true},
    {Question::NotEncrypted, "%s: not encrypted (its name is not marked); decrypt it anyway?", true},
    {Question::CannotRename, "%s: cannot rename it", false},
    {Question::CannotTransform, "%s: cannot read or write it", false},
    {Question::PathTooLong, "%s: the path is too long", false},
    {Question::OtherNames,
     "%s: has other names (hard links) outside the paths given, which keep their names; change its contents?", true},
    {Question::NotRestored,
     "%s: could not be put back as it was; part of it is transformed and the rest is not (offered again by the "
     "next run)",
     false},
    {Question::Unfinished, "%s: left part transformed when an earlier run was stopped; finish it now?", true},
    {Question::UnfinishedOtherKey, "%s: left unfinished under another password; this one cannot finish it", false},
    {Question::UnfinishedChanged, "%s: changed or gone since it was left unfinished; not touched", false},
    {Question::UnfinishedTorn,
     "%s: part of it was being written when the power failed and is damaged; cannot be finished, not touched", false},
};

std::string Format(const char* text, const PathString& path) {
    std::string out;
    const char* mark = std::strstr(text, "%s");
    out.append(text, static_cast<std::size_t>(mark - text));
    out += FromPath(path);
    out += mark + 2;
    return out;
}

std::string Bytes(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) bytes /= 1024, ++unit;
    char text[32];
    std::snprintf(text, sizeof text, unit ? "%.1f %s" : "%.0f %s", bytes, units[unit]);
    return text;
}

}  // namespace

TerminalUser::TerminalUser(Answers answers, bool progress)
    : answers_(answers), progress_(progress), start_(std::chrono::steady_clock::now()) {
    if (answers_ == Answers::Ask) terminal_ = Terminal::Open();
}

TerminalUser::~TerminalUser() { ClearProgressLine(); }

Answer TerminalUser::Prompt(const std::string& text, bool cancelToo) {
    ClearProgressLine();
    for (;;) {
        std::string line;
        if (!terminal_->Ask(text + (cancelToo ? " [y]es/[n]o/[c]ancel: " : "Go on with the next file? [y/n]: "), line,
                            true))
            return Answer::No;
        switch (line.empty() ? '\0' : line[0]) {
        case 'y':
        case 'Y': return Answer::Yes;
        case 'n':
        case 'N': return Answer::No;
        case 'c':
        case 'C':
            if (cancelToo) return Answer::Cancel;
            break;
        default: break;
        }
    }
}

Answer TerminalUser::Ask(Question question, const PathString& path) {
    const QuestionText* entry = std::find_if(std::begin(kQuestions), std::end(kQuestions),
                                             [&](const QuestionText& q) { return q.question == question; });
    std::string text = Format(entry->text, path);
    if (!entry->confirmation) {
        somethingLeft_ = true;
        ClearProgressLine();
        std::fprintf(stderr, "veilfold: %s\n", text.c_str());
    }
    Answer answer;
    if (answers_ != Answers::Ask)
        answer = answers_ == Answers::AllYes ? Answer::Yes : Answer::No;
    else if (terminal_)
        answer = Prompt(entry->confirmation ? text : std::string(), entry->confirmation);
    else
        answer = entry->confirmation ? Answer::No : Answer::Yes;
    if (entry->confirmation && answer != Answer::Yes) {
        somethingLeft_ = true;
        std::fprintf(stderr, "veilfold: %s%s\n", terminal_ ? FromPath(path).c_str() : text.c_str(),
                     terminal_ ? ": left as it is" : " No: left as it is");
    }
    return answer;
}

bool TerminalUser::Cancelled() {
    bool interrupted = Interrupted();
    if (interrupted) somethingLeft_ = true;
    return interrupted;
}

void TerminalUser::ShowFile(const PathString& path) {
    // The rate counts from the first file, not from the password prompt.
    if (file_.empty()) start_ = std::chrono::steady_clock::now();
    bytesBefore_ += fileDone_;
    fileDone_ = 0;
    file_ = path;
}

void TerminalUser::ShowProgress(std::uint64_t done, std::uint64_t size) {
    fileDone_ = done;
    if (!progress_) return;
    auto now = std::chrono::steady_clock::now();
    if (lineShown_ && done != size && now - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    std::uint64_t total = bytesBefore_ + done;
    constexpr int kWidth = 20;
    int filled = size ? static_cast<int>(done * kWidth / size) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '=');
    bar.resize(kWidth, ' ');
    std::string name = FromPath(file_);
    if (name.size() > 40) {
        // Cut at the start of a UTF-8 character, never inside one.
        std::size_t cut = name.size() - 37;
        while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
        name = "..." + name.substr(cut);
    }
    char line[160];
    int length =
        std::snprintf(line, sizeof line, "[%s] %s  %s/s  %s", bar.c_str(), Bytes(static_cast<double>(total)).c_str(),
                      Bytes(seconds > 0 ? static_cast<double>(total) / seconds : 0).c_str(), name.c_str());
    std::size_t shown = std::min(static_cast<std::size_t>(std::max(length, 0)), sizeof line - 1);
    // Spaces over what is left of a longer line before: every console takes them.
    std::fprintf(stderr, "\r%s%*s", line, static_cast<int>(lineShown_ > shown ? lineShown_ - shown : 0), "");
    std::fflush(stderr);
    lineShown_ = std::max(shown, lineShown_);
}

void TerminalUser::ClearProgressLine() {
    if (!lineShown_) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(lineShown_), "");
    lineShown_ = 0;
}

void TerminalUser::ReportPassedOver(const std::vector<PassedOver>& items) {
    ClearProgressLine();
    std::fprintf(stderr, "veilfold: not processed, and nothing in them changed (%zu in all):\n", items.size());
    for (const PassedOver& item : items) {
        const char* why = item.reason == PassedOver::Reason::Link        ? "a link, not followed"
                          : item.reason == PassedOver::Reason::DotFolder ? "its name begins with a dot"
                                                                         : "could not be opened";
        std::fprintf(stderr, "  %s (%s)\n", FromPath(item.path).c_str(), why);
        if (item.reason == PassedOver::Reason::Unlisted) somethingLeft_ = true;
    }
}
