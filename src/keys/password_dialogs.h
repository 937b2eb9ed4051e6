#pragma once
// The enter-password dialogs (ENTERPASSDLG95, ENTERPASSDLGNT) and the
// change-password dialog (CHGPASSDLG). They report through g_bKeyValid and g_bCancel.
#include <windows.h>

extern BOOL g_bAskOldPassword;  // the change dialog asks for the old password

INT_PTR CALLBACK EnterPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
