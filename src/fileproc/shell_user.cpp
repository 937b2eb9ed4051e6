#include "fileproc/shell_user.h"

#include <algorithm>
#include <string>

#include "common/messages.h"
#include "common/state.h"
#include "fileproc/file_progress.h"
#include "resource.h"

namespace {

// More would make a box taller than the screen.
constexpr std::size_t kSummaryPaths = 5;

// Between the blocks of a file, the progress window gets a turn this often:
// well within the 100 ms in which a window must answer, while the thousands
// of blocks a second in between cost nothing.
constexpr unsigned long long kTurnIntervalMs = 25;

bool IsConfirmation(Question question) {
    return question == Question::AlreadyEncrypted || question == Question::NotEncrypted ||
           question == Question::OtherNames || question == Question::Unfinished;
}

UINT LineFormat(PassedOver::Reason reason) {
    switch (reason) {
    case PassedOver::Reason::Unlisted: return IDS_PASSED_OVER_UNLISTED;
    case PassedOver::Reason::Link: return IDS_PASSED_OVER_LINK;
    case PassedOver::Reason::DotFolder: return IDS_PASSED_OVER_DOT;
    }
    return IDS_PASSED_OVER_UNLISTED;
}

}  // namespace

Answer ShellUser::Ask(Question question, const PathString& path) {
    ShowProgressNow();  // the file asked about is the one the window shows
    UINT style = IsConfirmation(question) ? kStyleConfirm : kStyleContinue;
    switch (ShowPathQuestion(static_cast<UINT>(question), path, style)) {
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    default: return Answer::Cancel;  // Cancel, or a box that could not be shown
    }
}

bool ShellUser::Cancelled() {
    PumpMessages();
    lastTurn_ = GetTickCount64();
    return g_bCancel != FALSE;
}

bool ShellUser::CancelledDuringFile() {
    if (GetTickCount64() - lastTurn_ < kTurnIntervalMs) return g_bCancel != FALSE;
    return Cancelled();
}

void ShellUser::ShowFile(const PathString& path) { ShowProgressFile(path); }

void ShellUser::ShowProgress(std::uint64_t done, std::uint64_t size) { ShowProgressPercent(done, size); }

void ShellUser::ReportPassedOver(const std::vector<PassedOver>& items) {
    ShowMessageText(g_hwndOwner, PassedOverText(items), kStyleSummary);
}

std::wstring PassedOverText(const std::vector<PassedOver>& listed) {
    // What failed (folders that could not be listed) first, then what was
    // passed over by design, each in the order met.
    std::vector<PassedOver> items = listed;
    std::stable_sort(items.begin(), items.end(),
                     [](const PassedOver& a, const PassedOver& b) { return a.reason < b.reason; });
    std::wstring lines;
    std::size_t shown = std::min(items.size(), kSummaryPaths);
    for (std::size_t n = 0; n < shown; ++n) {
        if (n) lines += L"\r\n";
        lines += FormatText(LoadResText(g_hInstance, LineFormat(items[n].reason)), {items[n].path});
    }
    if (items.size() > shown) {
        lines += L"\r\n";
        lines += FormatText(LoadResText(g_hInstance, IDS_PASSED_OVER_MORE), {std::to_wstring(items.size() - shown)});
    }
    return FormatText(LoadResText(g_hInstance, IDS_PASSED_OVER), {std::to_wstring(items.size()), lines});
}
