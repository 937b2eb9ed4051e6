#pragma once
// The person a run works for, as the shell meets them: questions in message
// boxes owned by g_hwndOwner, the progress window, its Cancel button
// (g_bCancel), and the end-of-run summary in one box.
#include "engine/run_user.h"

class ShellUser final : public RunUser {
public:
    Answer Ask(Question question, const PathString& path) override;
    bool Cancelled() override;
    bool CancelledDuringFile() override;
    void ShowFile(const PathString& path) override;
    void ShowProgress(std::uint64_t done, std::uint64_t size) override;
    void ReportPassedOver(const std::vector<PassedOver>& items) override;

private:
    unsigned long long lastTurn_ = 0;  // GetTickCount64 at the last turn given
};

// The summary's text: how many were passed over, and the first few of them.
std::wstring PassedOverText(const std::vector<PassedOver>& items);
