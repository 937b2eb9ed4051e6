#include "keys/dialog_support.h"

#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "crypto/wipe.h"
#include "keys/keystore.h"

WinHelpFunction g_pfnWinHelp = WinHelpA;

PasswordField::PasswordField(HWND dialog, int id) {
    length_ = static_cast<int>(GetDlgItemTextA(dialog, id, text_, kPasswordFieldSize));
    text_[length_] = '\0';
}

PasswordField::~PasswordField() { SecureWipe(text_); }

bool VerifyPassword(const PasswordField& password, KeyDigest& key) {
    std::uint32_t length = static_cast<std::uint32_t>(password.length());
    Sha1Buffer(password.text(), length, key);
    KeyDigest checkValue = ComputeCheckValue(password.text(), length, key);
    bool correct = KeyDigestsEqual(checkValue, g_CheckValue);
    SecureWipe(checkValue);
    return correct;
}

void RejectInput(HWND dialog, UINT stringId, int field, bool selectText) {
    ShowMessage(dialog, LoadResString(g_hInstance, stringId), kStyleValidation);
    FocusDlgControl(dialog, field);
    if (selectText) SendDlgItemMessageA(dialog, field, EM_SETSEL, 0, -1);
}

void SetChangeDialogPrompt(UINT stringId) { lstrcpyA(g_szMessage, LoadResString(g_hInstance, stringId)); }

bool RunModalDialog(const char* templateName, DLGPROC procedure) {
    if (DialogBoxParamA(g_hInstance, templateName, g_hwndOwner, procedure, 0) != -1) return true;
    ShowMessage(g_hwndOwner, kDialogOpenError, kStyleFailure);
    return false;
}

void ShowContextHelp(LPARAM helpInfo, const DWORD* helpIds) {
    const HELPINFO* info = reinterpret_cast<const HELPINFO*>(helpInfo);
    // Help on a menu item has no topic of its own.
    if (info->iContextType != HELPINFO_WINDOW) return;
    g_pfnWinHelp(static_cast<HWND>(info->hItemHandle), kHelpFile, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(helpIds));
}
