// Placeholder until key management lands: no key can be obtained.
#include "keys/acquire.h"
#include "keys/keystore.h"
#include "keys/password_dialogs.h"

BOOL g_bAskOldPassword;

BOOL IsWindowsNT() { return TRUE; }
KeyDigest ComputeCheckValue(const char*, int, const KeyDigest&) { return KeyDigest{}; }
BOOL DeriveKeys(const char*) { return TRUE; }
BOOL ReadConfiguration(KeyDigest*) { return FALSE; }
BOOL WriteCheckValue(const KeyDigest*) { return FALSE; }
BOOL LoadRetainedKey(KeyDigest*) { return FALSE; }
void StoreRetainedKey() {}
int AcquireKey(KeyDigest*) { return 0; }
int PromptForPassword() { return 0; }
INT_PTR CALLBACK EnterPasswordDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK ChangePasswordDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
