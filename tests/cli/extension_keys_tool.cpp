// The extension's key store, driven from the command line for
// wine_cli_test.py: each command does what the password dialogs do with a
// password typed into them, through the module's own code.
//   acp               prints the ANSI code page the passwords' bytes are in
//   set PASSWORD      stores its check value, as the change dialog does
//   check PASSWORD    exit 0 when it verifies against the stored check value, 1 when not, 3 when none is stored
//   retain PASSWORD   keeps its key until sign-out, as the enter dialog does when asked to
//   retained          exit 0 when a kept key is there, 1 when not
//   forget            deletes HKCU\Software\Veilfold
// Exit 2 for a password the code page cannot spell, which the dialogs refuse.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "common/state.h"
#include "crypto/wipe.h"
#include "keys/keystore.h"
#include "keys/password_bytes.h"

namespace {

// The password's key and check value into g_Key and g_CheckValue; false when the dialogs would refuse it.
bool Derive(const wchar_t* password) {
    char text[kPasswordFieldSize];
    bool exact = false;
    int length = PasswordBytes(password, lstrlenW(password), CP_ACP, text, exact);
    text[length] = '\0';
    if (exact) DeriveKeys(text);
    SecureWipe(text);
    return exact;
}

int Run(const std::wstring& command, const wchar_t* password) {
    if (command == L"acp") {
        std::printf("%u\n", GetACP());
        return 0;
    }
    if (command == L"retained") {
        KeyDigest key;
        return LoadRetainedKey(&key) ? 0 : 1;
    }
    if (command == L"forget") return RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veilfold") == ERROR_SUCCESS ? 0 : 1;
    if (!password) return 64;
    if (!Derive(password)) return 2;
    if (command == L"set") return WriteCheckValue(&g_CheckValue) ? 0 : 1;
    if (command == L"retain") return StoreRetainedKey() ? 0 : 1;
    if (command == L"check") {
        KeyDigest stored;
        if (!ReadCheckValue(&stored)) return 3;
        return KeyDigestsEqual(stored, g_CheckValue) ? 0 : 1;
    }
    return 64;
}

}  // namespace

int main() {
    g_hInstance = GetModuleHandleA(nullptr);  // carries the module's string table
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    int status = count < 2 ? 64 : Run(arguments[1], count > 2 ? arguments[2] : nullptr);
    if (status == 64)
        std::fprintf(stderr, "usage: extension_keys_tool acp|set|check|retain|retained|forget [PASSWORD]\n");
    LocalFree(arguments);
    return status;
}
