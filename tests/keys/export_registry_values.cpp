// Sets the password given on the command line through the key store, keeps its
// key, and prints what the registry then holds:
//   <value name> <registry type> <hex bytes>
// for check_registry_values.py to compare with its own SHA-1. Works on
// HKCU\Software\Veilfold of the test prefix and removes it again.
#include <windows.h>

#include <cstdio>

#include "common/state.h"
#include "keys/keystore.h"

namespace {

constexpr char kVeilfoldKey[] = "Software\\Veilfold";

bool PrintValue(const char* keyPath, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    BYTE data[64];
    DWORD size = sizeof data, type = 0;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    std::printf("%s %lu ", name, type);
    for (DWORD i = 0; i < size; ++i) std::printf("%02x", data[i]);
    std::printf("\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: export_registry_values PASSWORD\n");
        return 2;
    }
    g_hInstance = GetModuleHandleA(nullptr);  // carries the module's string table
    RegDeleteTreeA(HKEY_CURRENT_USER, kVeilfoldKey);
    DeriveKeys(argv[1]);
    bool stored = WriteCheckValue(&g_CheckValue) && StoreRetainedKey();
    bool printed = stored && PrintValue("Software\\Veilfold\\Configuration", "HashedKey") &&
                   PrintValue("Software\\Veilfold\\Temp", "Key");
    RegDeleteTreeA(HKEY_CURRENT_USER, kVeilfoldKey);
    return printed ? 0 : 1;
}
