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

bool HelpRecorder::WaitForCall(int seen) const {
    for (DWORD start = GetTickCount(); GetTickCount() - start < vftest::kDefaultTimeoutMs; Sleep(20))
        if (calls_.load() > seen) return true;
    return false;
}

}  // namespace keytest
