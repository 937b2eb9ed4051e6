#include "help_recorder.h"

#include <htmlhelp.h>

#include "gui.h"
#include "keys/dialog_support.h"

namespace keytest {

HelpRecorder* HelpRecorder::active_;

HelpRecorder::HelpRecorder() {
    active_ = this;
    saved_ = g_pfnHtmlHelp;
    g_pfnWinHelp = Record;
    g_pfnHtmlHelp = RecordHtml;
}

HelpRecorder::~HelpRecorder() {
    g_pfnWinHelp = WinHelpA;
    g_pfnHtmlHelp = saved_;
    active_ = nullptr;
}

BOOL WINAPI HelpRecorder::Record(HWND window, LPCSTR file, UINT command, ULONG_PTR data) {
    active_->last_ = HelpCall{window, file ? file : "", command, data};
    active_->calls_.fetch_add(1);  // publishes last_ to the script's thread
    return TRUE;
}

HWND WINAPI HelpRecorder::RecordHtml(HWND window, LPCSTR file, UINT command, DWORD_PTR data) {
    ULONG_PTR shown = data;
    if (command == HH_DISPLAY_TEXT_POPUP) shown = reinterpret_cast<const HH_POPUP*>(data)->idString;
    Record(window, file, command, shown);
    return nullptr;
}

void HelpRecorder::WaitForCall(vftest::Gui& ui, int seen) const {
    ui.WaitUntil("a help call", [&] { return calls_.load() > seen; });
}

}  // namespace keytest
