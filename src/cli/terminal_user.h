#pragma once
// The engine's user on a terminal: questions asked on the terminal, or answered
// by --yes / --no, or, with neither a terminal nor a flag, the safe answer
// (No to a confirmation: the file is left as it is and reported; Yes to
// "go on with the next file?" after a failure, which is reported too).
// Every failure and every file left as it was goes to stderr with its path.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "cli/terminal.h"
#include "engine/run_user.h"

enum class Answers { Ask, AllYes, AllNo };

class TerminalUser final : public RunUser {
public:
    TerminalUser(Answers answers, bool progress);
    ~TerminalUser() override;
    TerminalUser(const TerminalUser&) = delete;
    TerminalUser& operator=(const TerminalUser&) = delete;

    Answer Ask(Question question, const PathString& path) override;
    bool Cancelled() override;
    bool CancelledDuringFile() override { return Cancelled(); }
    void ShowFile(const PathString& path) override;
    void ShowProgress(std::uint64_t done, std::uint64_t size) override;
    void ReportPassedOver(const std::vector<PassedOver>& items) override;

    // True when some file was skipped, failed or left unfinished.
    bool SomethingLeft() const { return somethingLeft_; }
    void ClearProgressLine();

private:
    Answer Prompt(const std::string& text, bool cancelToo);

    Answers answers_;
    std::unique_ptr<Terminal> terminal_;
    bool progress_;
    bool somethingLeft_ = false;
    std::size_t lineShown_ = 0;  // the length of the progress line on stderr
    PathString file_;
    std::uint64_t bytesBefore_ = 0;  // of the files before the one in hand
    std::uint64_t fileDone_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
};
