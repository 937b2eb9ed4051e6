#include "password_steps.h"

#include "resource.h"

namespace vfhost {
namespace {

void FillNewPassword(vftest::Gui& ui, HWND dialog, const std::string& password) {
    ui.Type(dialog, IDC_NEWPASSWORD, password);
    ui.Type(dialog, IDC_REPEATPASSWORD, password);
}

void FillPassword(vftest::Gui& ui, HWND dialog, const std::string& password, bool keepUntilShutdown) {
    ui.Type(dialog, IDC_PASSWORD, password);
    ui.Click(dialog, keepUntilShutdown ? IDC_KEEP_PASSWORD : IDC_DONT_KEEP_PASSWORD);
}

void Confirm(vftest::Gui& ui, HWND dialog) {
    ui.Click(dialog, IDOK);
    ui.WaitGone(dialog);
}

}  // namespace

HWND WaitPasswordDialog(vftest::Gui& ui, DWORD timeoutMs) {
    HWND dialog = ui.WaitFor("a password dialog", timeoutMs, [&]() -> HWND {
        for (HWND window : vftest::ProcessTopLevelWindows()) {
            std::string caption = ui.Text(window);
            if (caption == kEnterPasswordCaption || caption == kChangePasswordCaption) return window;
        }
        return nullptr;
    });
    ui.Meet(dialog);
    ui.Record("window \"" + ui.Text(dialog) + "\" appeared");
    return dialog;
}

void SetNewPassword(vftest::Gui& ui, HWND dialog, const std::string& password) {
    FillNewPassword(ui, dialog, password);
    Confirm(ui, dialog);
}

void EnterPassword(vftest::Gui& ui, HWND dialog, const std::string& password, bool keepUntilShutdown) {
    FillPassword(ui, dialog, password, keepUntilShutdown);
    Confirm(ui, dialog);
}

void AnswerPasswordDialog(vftest::Gui& ui, const std::string& password,
                          const std::function<void(const std::string&)>& photograph) {
    HWND dialog = WaitPasswordDialog(ui);
    bool change = ui.Text(dialog) == kChangePasswordCaption;
    if (change)
        FillNewPassword(ui, dialog, password);
    else
        FillPassword(ui, dialog, password, false);
    // Taken before OK, so that the picture shows the filled-in dialog.
    if (photograph) photograph(change ? "change-password" : "enter-password");
    Confirm(ui, dialog);
}

}  // namespace vfhost
