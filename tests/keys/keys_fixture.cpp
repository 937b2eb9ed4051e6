#include "keys_fixture.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>

#include "common/state.h"
#include "keys/dialog_support.h"
#include "resource.h"

namespace keytest {

std::string DigestText(const KeyDigest& digest) {
    char text[kKeyDigestTextLength + 1];
    KeyDigestToText(digest, text);
    return text;
}

KeyDigest DigestFromText(const char* text) {
    KeyDigest digest{};
    for (int w = 0; w < 5; ++w) {
        unsigned long word = 0;
        std::sscanf(text + 8 * w, "%8lx", &word);
        digest.h[w] = static_cast<std::uint32_t>(word);
    }
    return digest;
}

std::string StoredBytes(const char* digestText) {
    std::string bytes;
    for (int w = 0; w < 5; ++w)
        for (int b = 3; b >= 0; --b) {
            unsigned int byte = 0;
            std::sscanf(digestText + 8 * w + 2 * b, "%2x", &byte);
            bytes.push_back(static_cast<char>(byte));
        }
    return bytes;
}

bool SetValue(const char* keyPath, const char* name, DWORD type, const std::string& bytes) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool SetDword(const char* keyPath, const char* name, DWORD value) {
    return SetValue(keyPath, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

std::optional<std::string> ReadValue(const char* keyPath, const char* name, DWORD* type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[256];
    DWORD size = sizeof data;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return std::string(data, size);
}

bool KeyExists(const char* keyPath) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool StoreCheckValueOf(const KnownPassword& password) {
    return SetValue(kConfigurationKey, "HashedKey", REG_BINARY, StoredBytes(password.check));
}

namespace {

// Everyone may do everything with the key, except (when asked) set its values.
bool SetKeyDacl(const char* keyPath, const char* sddl) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, WRITE_DAC, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool done = ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr) &&
                RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    RegCloseKey(key);
    return done;
}

}  // namespace

void ClearVeilfoldKey() {
    if (KeyExists(kConfigurationKey)) AllowValueWrites(kConfigurationKey);
    LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Veilfold");
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "RegDeleteTreeA: " << status;
}

bool DenyValueWrites(const char* keyPath) { return SetKeyDacl(keyPath, "D:(D;;0x0002;;;WD)(A;;KA;;;WD)"); }
bool AllowValueWrites(const char* keyPath) { return SetKeyDacl(keyPath, "D:(A;;KA;;;WD)"); }

void KeysTest::SetUp() {
    ClearVeilfoldKey();
    g_bIsNT = TRUE;
}

void KeysTest::TearDown() {
    g_pfnWinHelp = WinHelpA;
    ClearVeilfoldKey();
}

HWND WaitEnterDialog(vftest::Gui& ui) { return ui.WaitWindow("Enter Encryption Password"); }

HWND WaitChangeDialog(vftest::Gui& ui, const std::string& message) {
    HWND dialog = ui.WaitWindow("Change Encryption Password");
    EXPECT_EQ(ui.Text(dialog, 0xFFFF), message);
    return dialog;
}

void ExpectValidation(vftest::Gui& ui, HWND dialog, const std::string& text) {
    vftest::MessageBoxSeen box = ui.WaitMessageBox();
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Veilfold");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    ui.Answer(box, IDOK);
}

void ExpectFocus(vftest::Gui& ui, HWND dialog, int id) {
    HWND wanted = GetDlgItem(dialog, id);
    ui.WaitUntil("the focus on control " + std::to_string(id), [&] { return ui.Focus() == wanted; });
}

bool WholeTextSelected(vftest::Gui& ui, HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    DWORD start = 0, end = 0;
    ui.Send(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == 0 && end == static_cast<DWORD>(ui.Send(edit, WM_GETTEXTLENGTH)) && end > 0;
}

void PressHelpKey(vftest::Gui& ui) {
    ui.Record("pressed F1");
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_F1;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

void EnterAndClose(vftest::Gui& ui, HWND dialog, const char* password) {
    ui.Type(dialog, IDC_PASSWORD, password);
    ui.Click(dialog, IDOK);
    ui.WaitGone(dialog);
}

}  // namespace keytest
