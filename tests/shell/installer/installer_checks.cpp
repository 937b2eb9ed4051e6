// What the installer leaves in the test prefix, checked in steps by
// installer-test.sh between installing and uninstalling: each suite is one
// state of the machine.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "paths.h"
#include "shell/class_id.h"

namespace {

// The 32-bit module's class is looked for where 32-bit programs find it,
// named outright: Wine does not redirect the user's classes.
const std::string kClassKey = std::string("Software\\Classes\\CLSID\\") + kShellExtensionClassIdText;
const std::string kClassKey32 = std::string("Software\\Classes\\WOW6432Node\\CLSID\\") + kShellExtensionClassIdText;
const char* const kHandlerKeys[] = {"Software\\Classes\\*\\shellex\\ContextMenuHandlers\\Veilfold",
                                    "Software\\Classes\\Directory\\shellex\\ContextMenuHandlers\\Veilfold"};
const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veilfold";
const char kUserSettingsMarker[] = "Software\\Veilfold\\InstallerTest";  // planted by installer-test.sh
const char kRetainedKey[] = "Software\\Veilfold\\Temp";                  // planted as well
const char kHelpUrl[] = "https://help.invalid/veilfold";                 // given by install-steps.sh
const char kMachineEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char kUserEnvironmentKey[] = "Environment";

constexpr WORD kMachineAmd64 = 0x8664;
constexpr WORD kMachineI386 = 0x014C;

// These checks are built for the Windows whose installer they check.
#ifdef _WIN64
// The installer for 64-bit Windows: the 64-bit module for Explorer, and the
// 32-bit one in x86\ for 32-bit programs.
constexpr bool kBothModules = true;
constexpr WORD kMainMachine = kMachineAmd64;
#else
// The installer for 32-bit Windows: its one module.
constexpr bool kBothModules = false;
constexpr WORD kMainMachine = kMachineI386;
#endif
// The module that 32-bit programs load.
std::string Module32(const std::string& folder) {
    return folder + (kBothModules ? "\\x86\\veilfold.dll" : "\\veilfold.dll");
}
// The 32-bit command line.
std::string Program32(const std::string& folder) {
    return folder + (kBothModules ? "\\x86\\veilfold.exe" : "\\veilfold.exe");
}

struct View {
    HKEY root;
    REGSAM wow;  // KEY_WOW64_64KEY or KEY_WOW64_32KEY
    const char* name;
};
const View kAllViews[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "HKLM 64-bit"},
                          {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "HKLM 32-bit"},
                          {HKEY_CURRENT_USER, KEY_WOW64_64KEY, "HKCU 64-bit"},
                          {HKEY_CURRENT_USER, KEY_WOW64_32KEY, "HKCU 32-bit"}};

bool KeyExists(const View& view, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(view.root, path.c_str(), 0, KEY_READ | view.wow, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The string value, or "<absent>".
std::string ReadString(const View& view, const std::string& path, const char* value) {
    HKEY key;
    if (RegOpenKeyExA(view.root, path.c_str(), 0, KEY_READ | view.wow, &key) != ERROR_SUCCESS) return "<absent>";
    char data[MAX_PATH * 2];
    DWORD size = sizeof data;
    LONG result = RegGetValueA(key, nullptr, value, RRF_RT_REG_SZ, nullptr, data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data) : "<absent>";
}

DWORD ReadDword(const View& view, const std::string& path, const char* value) {
    DWORD data = 0, size = sizeof data;
    HKEY key;
    if (RegOpenKeyExA(view.root, path.c_str(), 0, KEY_READ | view.wow, &key) != ERROR_SUCCESS) return 0;
    RegGetValueA(key, nullptr, value, RRF_RT_REG_DWORD, nullptr, &data, &size);
    RegCloseKey(key);
    return data;
}

std::string KnownFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
std::string AllUsersFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + "\\Veilfold"; }
std::string CurrentUserFolder() { return KnownFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Veilfold"; }

// The machine type in a module's PE header, or 0.
WORD ModuleMachine(const std::string& path) {
    std::string bytes;
    if (!vftest::ReadFileBytes(path, bytes) || bytes.size() < 0x40) return 0;
    DWORD peOffset = *reinterpret_cast<const DWORD*>(bytes.data() + 0x3C);
    if (bytes.size() < peOffset + 6) return 0;
    return *reinterpret_cast<const WORD*>(bytes.data() + peOffset + 4);
}

void ExpectServer(const View& view, const std::string& classKey, const std::string& dll) {
    SCOPED_TRACE(std::string(view.name) + " " + classKey);
    EXPECT_EQ(ReadString(view, classKey + "\\InprocServer32", nullptr), dll);
    EXPECT_EQ(ReadString(view, classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
}

void ExpectHandlers(const View& view) {
    SCOPED_TRACE(view.name);
    for (const char* handler : kHandlerKeys) EXPECT_EQ(ReadString(view, handler, nullptr), kShellExtensionClassIdText);
    EXPECT_NE(ReadString(view, kApprovedKey, kShellExtensionClassIdText), "<absent>");
}

// The installer's modules in `folder`, with the handlers in both views (one
// view on 32-bit Windows, where the flags that pick a view are ignored).
void ExpectRegistered(HKEY root, const std::string& folder) {
    const View native{root, KEY_WOW64_64KEY, "64-bit view"};
    ExpectServer(native, kClassKey, folder + "\\veilfold.dll");
    if (kBothModules) {
        ExpectServer(native, kClassKey32, Module32(folder));
    } else {
        EXPECT_FALSE(KeyExists(native, kClassKey32));
    }
    for (REGSAM wow : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) ExpectHandlers(View{root, wow, "handlers"});
}

void ExpectNotRegistered(const View& view) {
    SCOPED_TRACE(view.name);
    EXPECT_FALSE(KeyExists(view, kClassKey));
    EXPECT_FALSE(KeyExists(view, kClassKey32));
    for (const char* handler : kHandlerKeys) EXPECT_FALSE(KeyExists(view, handler));
    EXPECT_EQ(ReadString(view, kApprovedKey, kShellExtensionClassIdText), "<absent>");
    EXPECT_FALSE(KeyExists(view, kUninstallKey));
}

void ExpectInstalledFiles(const std::string& folder) {
    EXPECT_EQ(ModuleMachine(folder + "\\veilfold.dll"), kMainMachine);
    EXPECT_EQ(ModuleMachine(Module32(folder)), kMachineI386);
    // Each command line beside its module.
    EXPECT_EQ(ModuleMachine(folder + "\\veilfold.exe"), kMainMachine);
    EXPECT_EQ(ModuleMachine(Program32(folder)), kMachineI386);
    if (!kBothModules) {
        EXPECT_FALSE(vftest::FileExists(folder + "\\x86\\veilfold.dll"));
        EXPECT_FALSE(vftest::FileExists(folder + "\\x86\\veilfold.exe"));
    }
    EXPECT_TRUE(vftest::FileExists(folder + "\\uninstall.exe"));
}

ULONGLONG FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What Settings > Apps shows: publisher, the module's own icon, the size of
// what was installed, and where to find help.
void ExpectAppsEntry(const View& view, const std::string& folder) {
    SCOPED_TRACE(view.name);
    EXPECT_EQ(ReadString(view, kUninstallKey, "DisplayName"), "Veilfold");
    EXPECT_EQ(ReadString(view, kUninstallKey, "Publisher"), "The Veilfold developers");
    EXPECT_EQ(ReadString(view, kUninstallKey, "URLInfoAbout"), kHelpUrl);
    EXPECT_EQ(ReadString(view, kUninstallKey, "HelpLink"), kHelpUrl);
    std::string icon = ReadString(view, kUninstallKey, "DisplayIcon");
    EXPECT_EQ(icon, folder + "\\veilfold.dll,0");
    std::string module = folder + "\\veilfold.dll";  // the value's file, checked just above
    EXPECT_GT(ExtractIconExA(module.c_str(), -1, nullptr, nullptr, 0), 0u);
    ULONGLONG installed = FileSize(folder + "\\veilfold.dll") + FileSize(folder + "\\veilfold.exe") +
                          FileSize(folder + "\\uninstall.exe") +
                          (kBothModules ? FileSize(Module32(folder)) + FileSize(Program32(folder)) : 0);
    EXPECT_NEAR(double(ReadDword(view, kUninstallKey, "EstimatedSize")), double(installed / 1024), 4.0);
}

// How many entries of the machine's (HKLM) or the user's (HKCU) PATH name `folder`.
int PathEntries(HKEY root, const std::string& folder) {
    HKEY key;
    const char* path = root == HKEY_LOCAL_MACHINE ? kMachineEnvironmentKey : kUserEnvironmentKey;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    std::string value(32768, '\0');
    DWORD size = static_cast<DWORD>(value.size());
    LONG result = RegGetValueA(key, nullptr, "Path", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                               value.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return 0;
    value.resize(std::strlen(value.c_str()));
    int entries = 0;
    for (std::size_t start = 0; start <= value.size();) {
        std::size_t end = std::min(value.find(';', start), value.size());
        std::string entry = value.substr(start, end - start);
        if (!entry.empty() && entry.back() == '\\') entry.pop_back();
        if (lstrcmpiA(entry.c_str(), folder.c_str()) == 0) ++entries;
        start = end + 1;
    }
    return entries;
}

// Where the command line is on PATH, in each state installer-test.sh knows.
void ExpectPathEntries(int machineAllUsers, int userCurrentUser) {
    EXPECT_EQ(PathEntries(HKEY_LOCAL_MACHINE, AllUsersFolder()), machineAllUsers);
    EXPECT_EQ(PathEntries(HKEY_CURRENT_USER, CurrentUserFolder()), userCurrentUser);
    // Never the other mode's PATH.
    EXPECT_EQ(PathEntries(HKEY_CURRENT_USER, AllUsersFolder()), 0);
    EXPECT_EQ(PathEntries(HKEY_LOCAL_MACHINE, CurrentUserFolder()), 0);
}

TEST(PathEntry, OnTheMachinesPathForAllUsers) { ExpectPathEntries(1, 0); }
TEST(PathEntry, OnTheUsersPathForTheCurrentUser) { ExpectPathEntries(0, 1); }
TEST(PathEntry, None) { ExpectPathEntries(0, 0); }

TEST(AllUsersInstall, RegistersEachModuleInItsOwnViewOfTheMachine) {
    std::string folder = AllUsersFolder();
    ExpectInstalledFiles(folder);
    ExpectRegistered(HKEY_LOCAL_MACHINE, folder);
    // 32-bit programs see the 32-bit module.
    ExpectServer(kAllViews[1], kClassKey, Module32(folder));
    ExpectNotRegistered(kAllViews[2]);
    EXPECT_EQ(ReadString(kAllViews[0], kUninstallKey, "InstallLocation"), folder);
    ExpectAppsEntry(kAllViews[0], folder);
}

TEST(AllUsersInstall, ComCreatesTheExtensionFromTheInstalledModule) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IContextMenu* menu = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_VeilfoldShellExtension, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                               reinterpret_cast<void**>(&menu)),
              S_OK);
    char loaded[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("veilfold.dll"), loaded, MAX_PATH);
    EXPECT_STRCASEEQ(loaded, (AllUsersFolder() + "\\veilfold.dll").c_str());
    if (menu) menu->Release();
    CoUninitialize();
}

TEST(CurrentUserInstall, RegistersForTheUserOnly) {
    std::string folder = CurrentUserFolder();
    ExpectInstalledFiles(folder);
    ExpectRegistered(HKEY_CURRENT_USER, folder);
    ExpectNotRegistered(kAllViews[0]);
    ExpectNotRegistered(kAllViews[1]);
    EXPECT_EQ(ReadString(kAllViews[2], kUninstallKey, "InstallLocation"), folder);
    ExpectAppsEntry(kAllViews[2], folder);
}

TEST(Uninstalled, NothingOfOursIsLeftButTheUsersSettings) {
    for (const View& view : kAllViews) ExpectNotRegistered(view);
    for (const std::string& folder : {AllUsersFolder(), CurrentUserFolder()}) {
        EXPECT_FALSE(vftest::FileExists(folder + "\\veilfold.dll"));
        EXPECT_FALSE(vftest::FileExists(folder + "\\x86\\veilfold.dll"));
        EXPECT_FALSE(vftest::FileExists(folder + "\\veilfold.exe"));
        EXPECT_FALSE(vftest::FileExists(folder + "\\x86\\veilfold.exe"));
        EXPECT_FALSE(vftest::FileExists(folder + "\\uninstall.exe"));
        EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder << " is still there";
    }
    EXPECT_EQ(ReadString(kAllViews[2], kUserSettingsMarker, "Kept"), "yes");
    EXPECT_FALSE(KeyExists(kAllViews[2], kRetainedKey)) << "the retained key outlived the uninstall";
    ExpectPathEntries(0, 0);
}

}  // namespace
