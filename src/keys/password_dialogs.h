#pragma once
// The enter-password dialogs (ENTERPASSDLG95, ENTERPASSDLGNT) and the
// change-password dialog (CHGPASSDLG). They report through g_bKeyValid and
// g_bCancel; both always end with the result 0.
#include <windows.h>

extern BOOL g_bAskOldPassword;  // the change dialog asks for the old password

// Help context ids of the controls: a topic text in the string table at
// IDS_HELP_TOPIC_BASE + id, and the same topic of an old "veilfold.hlp".
inline constexpr DWORD kHelpNewPassword = 100;  // the new password and its repetition
inline constexpr DWORD kHelpPassword = 101;     // the password, or the old one when changing it
inline constexpr DWORD kHelpDontKeepPassword = 102;
inline constexpr DWORD kHelpKeepPassword = 103;
inline constexpr DWORD kHelpChangePassword = 106;

// Control id and help context id pairs, ended by 0, 0 (HELP_WM_HELP).
extern const DWORD EnterPasswordHelpIds[];
extern const DWORD ChangePasswordHelpIds[];

INT_PTR CALLBACK EnterPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
