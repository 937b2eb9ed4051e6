#include "help_recorder.h"

#include "gui.h"
#include "keys/dialog_support.h"

namespace keytest {

HelpRecorder* HelpRecorder::active_;

HelpRecorder::HelpRecorder() {
    active_ = this;
    g_pfnWinHelp = Record;
}

HelpRecorder::~HelpRecorder() {
    g_pfnWinHelp = WinHelpA;
    active_ = nullptr;
}

BOOL WINAPI HelpRecorder::Record(HWND window, LPCSTR file, UINT command, ULONG_PTR data) {
    active_->last_ = HelpCall{window, file ? file : "", command, data};
    active_->calls_.fetch_add(1);  // publishes last_ to the script's thread
    return TRUE;
}

void HelpRecorder::WaitForCall(vftest::Gui& ui, int seen) const {
    ui.WaitUntil("a help call", [&] { return calls_.load() > seen; });
}

}  // namespace keytest
