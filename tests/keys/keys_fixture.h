#pragma once
// What the key-management tests share: a clean HKCU\Software\Veilfold and
// shared state for every test, registry helpers, passwords with independently
// computed digests, and the common steps of the GUI scripts.
#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "crypto/sha1.h"
#include "gui.h"
#include "shared_state.h"

namespace keytest {

inline constexpr char kConfigurationKey[] = "Software\\Veilfold\\Configuration";
inline constexpr char kTempKey[] = "Software\\Veilfold\\Temp";

// A password and its digests as computed by an independent SHA-1 (Python's
// hashlib): key = SHA-1(password), check = SHA-1(password + hex(key)), both as
// 40 hex digits in the usual text form.
struct KnownPassword {
    const char* text;
    const char* key;
    const char* check;
};
inline constexpr KnownPassword kSecret{"Secret1", "2d9b7a3cf465b0dbe74d992a8ae1443496c733b7",
                                       "02d45eb7e4927859d7cf198885200cc5c3eede9d"};
inline constexpr KnownPassword kSecretLower{"secret1", "00cafd126182e8a9e7c01bb2f0dfd00496be724f",
                                            "96c9658702a7e95291ad87f9a053313902fd37e1"};
inline constexpr KnownPassword kNewPass{"NewPass2", "abd4b17d7f0be9144006ffac5f8a226e28be3273",
                                        "d3adae0d270116e35bf2ed5e316070f2c831e201"};
inline constexpr KnownPassword kOther{"Other3", "187f50363790b72e9a85c32b655e12ad8b3e4d4e",
                                      "1cd13e61c3cd310b218cd33747d9aec9bf9a8b8b"};
// The same for passwords typed beyond ASCII: the digests of their Windows-1252 bytes.
struct KnownWidePassword {
    const wchar_t* text;
    const char* key;
    const char* check;
};
inline constexpr KnownWidePassword kCafe{L"café", "d2f52bc4406898fc722c0b4e314f9b46fc85cde4",
                                         "440a31600bc2c12a69341bdf027d04066a9b4762"};
inline constexpr KnownWidePassword kGruesse{L"Grüße", "1f3ea6ce55ac8c52ea8df83b95506fed6998c0df",
                                            "c0e5fa58eb00b3b61e4f5c981ec5dd8a46ec8ced"};

std::string DigestText(const KeyDigest& digest);
KeyDigest DigestFromText(const char* text);
// The registry's byte form of a digest given as text: each 4-byte word reversed.
std::string StoredBytes(const char* digestText);

// Raw registry access under HKEY_CURRENT_USER, independent of the code under test.
bool SetValue(const char* keyPath, const char* name, DWORD type, const std::string& bytes);
bool SetDword(const char* keyPath, const char* name, DWORD value);
std::optional<std::string> ReadValue(const char* keyPath, const char* name, DWORD* type = nullptr);
bool KeyExists(const char* keyPath);
// Stores the check value of `password` as "HashedKey".
bool StoreCheckValueOf(const KnownPassword& password);
// Removes HKCU\Software\Veilfold with everything in it.
void ClearVeilfoldKey();
// Lets nobody set values in `keyPath` (it is created when absent), or lets them again.
bool DenyValueWrites(const char* keyPath);
bool AllowValueWrites(const char* keyPath);

// Every test starts and ends with no HKCU\Software\Veilfold and with the
// shared state of a fresh run on the NT family; the shared state and the help
// seam are restored afterwards.
class KeysTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    vftest::SharedStateScope state_;
};

// GUI steps, run on the helper thread.
HWND WaitEnterDialog(vftest::Gui& ui);
// Waits for the change dialog and checks the instruction at its top.
HWND WaitChangeDialog(vftest::Gui& ui, const std::string& message);
// Waits for a validation box over `dialog` with `text`, checks it and presses OK.
void ExpectValidation(vftest::Gui& ui, HWND dialog, const std::string& text);
// Waits (bounded) until the UI thread's focus is control `id` of `dialog`.
void ExpectFocus(vftest::Gui& ui, HWND dialog, int id);
// Whether the whole text of edit `id` is selected.
bool WholeTextSelected(vftest::Gui& ui, HWND dialog, int id);
// F1 as real keyboard input: the system turns it into WM_HELP only on that path.
void PressHelpKey(vftest::Gui& ui);
// Types the password and presses OK, waiting for the dialog to close.
void EnterAndClose(vftest::Gui& ui, HWND dialog, const char* password);

inline constexpr char kNotAnsiMessage[] =
    "The password contains characters that cannot be used in a password on this system.\r\n"
    "Please use other characters.";
// The tests of characters outside the code page take Wine's default, Windows-1252.
inline constexpr UINT kTestCodePage = 1252;

inline constexpr char kNewPasswordPrompt[] = "Enter your new encryption password.";
inline constexpr char kNoCheckValuePrompt[] =
    "Your password key was not found or is invalid.\nPlease enter your encryption password.";

}  // namespace keytest
