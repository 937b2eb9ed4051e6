// The enter-password dialog, ENTERPASSDLG95 and ENTERPASSDLGNT: proves the
// password against the stored check value. The NT form also offers to keep
// the key until shutdown.
#include "about/about.h"
#include "common/messages.h"
#include "common/state.h"
#include "common/texts.h"
#include "crypto/wipe.h"
#include "keys/dialog_support.h"
#include "keys/keystore.h"
#include "keys/password_dialogs.h"
#include "resource.h"

const DWORD EnterPasswordHelpIds[] = {
    IDC_PASSWORD,
    kHelpPassword,
    IDC_DONT_KEEP_PASSWORD,
    kHelpDontKeepPassword,
    IDC_KEEP_PASSWORD,
    kHelpKeepPassword,
    IDC_CHANGE_PASSWORD,
    kHelpChangePassword,
    0,
    0,
};

namespace {

void InitEnterDialog(HWND dialog) {
    FocusDlgControl(dialog, IDC_PASSWORD);
    if (g_bIsNT) CheckDlgButton(dialog, g_bRetainKey ? IDC_KEEP_PASSWORD : IDC_DONT_KEEP_PASSWORD, BST_CHECKED);
    g_bCancel = FALSE;
}

void OnEnterOk(HWND dialog) {
    PasswordField password(dialog, IDC_PASSWORD);
    if (password.empty()) return RejectInput(dialog, IDS_NO_PASSWORD, IDC_PASSWORD, false);
    // No password can hold such characters: it is not merely a wrong one.
    if (!password.exact()) return RejectInput(dialog, IDS_PASSWORD_NOT_ANSI, IDC_PASSWORD, true);
    // The key of a wrong password never reaches g_Key.
    KeyDigest key;
    bool correct = VerifyPassword(password, key);
    if (correct) g_Key = key;
    SecureWipe(key);
    if (!correct) return RejectInput(dialog, IDS_INCORRECT_PASSWORD, IDC_PASSWORD, true);

    if (g_bIsNT) {
        g_bRetainKey = IsDlgButtonChecked(dialog, IDC_KEEP_PASSWORD) == BST_CHECKED;
        if (g_bRetainKey) StoreRetainedKey();  // not stored: asked for again next time
    }
    g_bKeyValid = TRUE;
    EndDialog(dialog, 0);
}

void OnEnterCancel(HWND dialog) {
    g_bKeyValid = FALSE;
    g_bCancel = TRUE;
    EndDialog(dialog, 0);
}

// The change dialog takes over: its outcome becomes this dialog's outcome.
void OnChangePassword(HWND dialog) {
    SetChangeDialogPrompt(IDS_NEW_PASSWORD_PROMPT);
    RunModalDialog(kChangePasswordTemplate, ChangePasswordDlgProc);
    EndDialog(dialog, 0);
}

INT_PTR OnEnterCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK: OnEnterOk(dialog); return TRUE;
    case IDCANCEL: OnEnterCancel(dialog); return TRUE;
    case IDC_CHANGE_PASSWORD: OnChangePassword(dialog); return TRUE;
    case IDC_ABOUT: ShowAboutBox(dialog); return TRUE;
    default: return FALSE;  // the radio buttons switch by themselves
    }
}

}  // namespace

INT_PTR CALLBACK EnterPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitEnterDialog(dialog); return FALSE;  // the focus is placed
    case WM_COMMAND: return OnEnterCommand(dialog, LOWORD(wParam));
    case WM_HELP: ShowContextHelp(lParam, EnterPasswordHelpIds); return TRUE;
    default: return FALSE;
    }
}
