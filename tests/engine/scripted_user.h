#pragma once
// A RunUser that answers from a script and writes down everything it is shown.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_user.h"

namespace vftest {

class ScriptedUser final : public RunUser {
public:
    struct Asked {
        Question question;
        PathString path;
        bool operator==(const Asked&) const = default;
    };

    // Answers in turn; once they run out, every question is answered Yes.
    std::deque<Answer> answers;
    std::vector<Asked> asked;
    std::vector<PathString> shown;
    std::vector<std::vector<PassedOver>> summaries;
    bool cancelled = false;
    // The user presses Cancel once a file's progress reaches this many bytes.
    std::uint64_t cancelAtByte = ~0ULL;
    int turnsDuringFiles = 0;
    // Called as each question is asked, before it is answered.
    std::function<void(const Asked&)> onAsk;

    Answer Ask(Question question, const PathString& path) override {
        asked.push_back({question, path});
        if (onAsk) onAsk(asked.back());
        if (answers.empty()) return Answer::Yes;
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool Cancelled() override { return cancelled; }
    bool CancelledDuringFile() override {
        ++turnsDuringFiles;
        return cancelled;
    }
    void ShowFile(const PathString& path) override { shown.push_back(path); }
    void ShowProgress(std::uint64_t done, std::uint64_t) override {
        if (done >= cancelAtByte) cancelled = true;
    }
    void ReportPassedOver(const std::vector<PassedOver>& items) override { summaries.push_back(items); }
};

}  // namespace vftest
