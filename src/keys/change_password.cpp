// The change-password dialog, CHGPASSDLG: sets the first password or replaces
// the current one. The old password is asked for only when a check value is known.
#include "common/messages.h"
#include "common/state.h"
#include "crypto/wipe.h"
#include "keys/dialog_support.h"
#include "keys/keystore.h"
#include "keys/password_dialogs.h"
#include "resource.h"

BOOL g_bAskOldPassword;

const DWORD ChangePasswordHelpIds[] = {
    IDC_PASSWORD, kHelpPassword, IDC_NEWPASSWORD, kHelpNewPassword, IDC_REPEATPASSWORD, kHelpNewPassword, 0, 0,
};

namespace {

bool IsAllZero(const KeyDigest& digest) {
    std::uint32_t any = 0;
    for (std::uint32_t word : digest.h) any |= word;
    return any == 0;
}

void InitChangeDialog(HWND dialog) {
    g_bAskOldPassword = !IsAllZero(g_CheckValue);
    if (g_bAskOldPassword) {
        FocusDlgControl(dialog, IDC_PASSWORD);
    } else {
        // No password has been set yet: there is no old one to ask for.
        ShowWindow(GetDlgItem(dialog, IDC_OLDPASSWORD_LABEL), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_PASSWORD), SW_HIDE);
        FocusDlgControl(dialog, IDC_NEWPASSWORD);
    }
    // The message area is the first control with this id, ahead of the labels.
    SetDlgItemTextA(dialog, IDC_STATIC_TEXT, g_szMessage);
    g_bCancel = FALSE;
}

// The old password's key stays local: g_Key is not touched.
bool OldPasswordMatches(const PasswordField& oldPassword) {
    KeyDigest key;
    bool matches = VerifyPassword(oldPassword, key);
    SecureWipe(key);
    return matches;
}

struct Rejection {
    UINT message;
    int field;
    bool selectText;
};

// The checks of OK, in the order the user is told about them; null when all pass.
// Every field is filled first; then the fields are judged from the top down,
// a field the code page cannot spell before what it says.
const Rejection* FindRejection(const PasswordField& oldPassword, const PasswordField& newPassword,
                               const PasswordField& repeated) {
    static const Rejection kNoOld{IDS_NO_PASSWORD, IDC_PASSWORD, false};
    static const Rejection kNoNew{IDS_NO_PASSWORD, IDC_NEWPASSWORD, false};
    static const Rejection kNoRepeat{IDS_NO_PASSWORD, IDC_REPEATPASSWORD, false};
    static const Rejection kInexactOld{IDS_PASSWORD_NOT_ANSI, IDC_PASSWORD, true};
    static const Rejection kWrongOld{IDS_INCORRECT_PASSWORD, IDC_PASSWORD, true};
    static const Rejection kInexactNew{IDS_PASSWORD_NOT_ANSI, IDC_NEWPASSWORD, true};
    static const Rejection kInexactRepeat{IDS_PASSWORD_NOT_ANSI, IDC_REPEATPASSWORD, true};
    static const Rejection kMismatch{IDS_PASSWORDS_DIFFER, IDC_NEWPASSWORD, true};
    if (g_bAskOldPassword && oldPassword.empty()) return &kNoOld;
    if (newPassword.empty()) return &kNoNew;
    if (repeated.empty()) return &kNoRepeat;
    if (g_bAskOldPassword && !oldPassword.exact()) return &kInexactOld;
    if (g_bAskOldPassword && !OldPasswordMatches(oldPassword)) return &kWrongOld;
    if (!newPassword.exact()) return &kInexactNew;
    // An inexact repetition can read the same as the password, "Ж" as "?".
    if (!repeated.exact()) return &kInexactRepeat;
    if (lstrcmpA(newPassword.text(), repeated.text()) != 0) return &kMismatch;
    return nullptr;
}

void OnChangeOk(HWND dialog) {
    PasswordField oldPassword(dialog, IDC_PASSWORD);
    PasswordField newPassword(dialog, IDC_NEWPASSWORD);
    PasswordField repeated(dialog, IDC_REPEATPASSWORD);
    if (const Rejection* rejection = FindRejection(oldPassword, newPassword, repeated))
        return RejectInput(dialog, rejection->message, rejection->field, rejection->selectText);

    DeriveKeys(newPassword.text());
    // Not written: g_bKeyValid stays as it was, and acquisition decides what follows.
    if (WriteCheckValue(&g_CheckValue)) g_bKeyValid = TRUE;
    EndDialog(dialog, 0);
}

void OnChangeCancel(HWND dialog) {
    g_bKeyValid = FALSE;
    g_bCancel = TRUE;
    EndDialog(dialog, 0);
}

INT_PTR OnChangeCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK: OnChangeOk(dialog); return TRUE;
    case IDCANCEL: OnChangeCancel(dialog); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitChangeDialog(dialog); return FALSE;
    case WM_COMMAND: return OnChangeCommand(dialog, LOWORD(wParam));
    case WM_HELP: ShowContextHelp(lParam, ChangePasswordHelpIds); return TRUE;
    default: return FALSE;
    }
}
