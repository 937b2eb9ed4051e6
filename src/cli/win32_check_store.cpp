#include <windows.h>

#include <cstring>

#include "cli/check_store.h"
#include "crypto/wipe.h"

namespace {

// The names the extension takes from its string table (src/res/strings.rc);
// the Wine tests hold the two to each other.
constexpr wchar_t kConfigurationKey[] = L"Software\\Veilfold\\Configuration";
constexpr wchar_t kCheckValueName[] = L"HashedKey";
constexpr wchar_t kRetainedKey[] = L"Software\\Veilfold\\Temp";

class Key {
public:
    ~Key() {
        if (handle_) RegCloseKey(handle_);
    }
    HKEY* out() { return &handle_; }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

}  // namespace

std::string CheckValueLocation() { return "HKEY_CURRENT_USER\\Software\\Veilfold\\Configuration, value HashedKey"; }

CheckRead ReadStoredCheckValue(KeyDigest& value) {
    Key key;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kConfigurationKey, 0, KEY_QUERY_VALUE, key.out());
    if (status == ERROR_FILE_NOT_FOUND) return CheckRead::Absent;
    if (status != ERROR_SUCCESS) return CheckRead::Damaged;
    BYTE bytes[kKeyDigestBytes + 1];
    DWORD size = sizeof bytes;
    // Of any type, as the extension reads it, but exactly 20 bytes.
    status = RegQueryValueExW(key.get(), kCheckValueName, nullptr, nullptr, bytes, &size);
    if (status == ERROR_FILE_NOT_FOUND) return CheckRead::Absent;
    if (status != ERROR_SUCCESS || size != kKeyDigestBytes) return CheckRead::Damaged;
    std::uint8_t exact[kKeyDigestBytes];
    std::memcpy(exact, bytes, sizeof exact);
    value = KeyDigestFromBytes(exact);
    return CheckRead::Found;
}

bool StoreCheckValue(const KeyDigest& value) {
    // A key the extension keeps until sign-out would go on encrypting under
    // the password this one replaces: it goes first, or nothing changes.
    LSTATUS deleted = RegDeleteKeyW(HKEY_CURRENT_USER, kRetainedKey);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) return false;
    Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kConfigurationKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.out(), nullptr) != ERROR_SUCCESS)
        return false;
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(value, bytes);
    bool written = RegSetValueExW(key.get(), kCheckValueName, 0, REG_BINARY, bytes, sizeof bytes) == ERROR_SUCCESS;
    SecureWipe(bytes);
    return written;
}
