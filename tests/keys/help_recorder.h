#pragma once
// Stands in for WinHelpA and HtmlHelpA while a test runs and remembers the
// calls, so that the GUI script can wait for one and the test can check its
// arguments.
#include <windows.h>

#include <atomic>
#include <string>

#include "gui.h"
#include "keys/dialog_support.h"

namespace keytest {

struct HelpCall {
    HWND window;
    std::string file;
    UINT command;
    ULONG_PTR data;  // HtmlHelpA's text popup: the string id of the text
};

class HelpRecorder {
public:
    HelpRecorder();   // installs itself in g_pfnWinHelp and g_pfnHtmlHelp
    ~HelpRecorder();  // puts the real ones back

    int Calls() const { return calls_.load(); }
    HelpCall Last() const { return last_; }  // read once Calls() has moved
    // Waits until more than `seen` calls have been made.
    void WaitForCall(vftest::Gui& ui, int seen) const;

private:
    static BOOL WINAPI Record(HWND window, LPCSTR file, UINT command, ULONG_PTR data);
    static HWND WINAPI RecordHtml(HWND window, LPCSTR file, UINT command, DWORD_PTR data);
    static HelpRecorder* active_;
    HtmlHelpFunction saved_;
    HelpCall last_{};
    std::atomic<int> calls_{0};
};

}  // namespace keytest
