#include "e2e_fixture.h"

#include "paths.h"

#include <ostream>

#include "crypto/rc4.h"
#include "crypto/sha1.h"
#include "password_steps.h"
#include "shell_session.h"

namespace e2e {
namespace {

constexpr char kSettingsKey[] = "Software\\Veilfold";
constexpr char kConfigurationKey[] = "Software\\Veilfold\\Configuration";
constexpr char kRetainedKey[] = "Software\\Veilfold\\Temp";

// Keys and paths in UTF-8: any name is listed as it is.
void AddToSnapshot(const std::string& folder, const std::string& relative, Tree& tree) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(vftest::Wide(folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = vftest::Utf8(entry.cFileName);
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name, key = relative + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[key + "\\"] = {};
            AddToSnapshot(path, key + "\\", tree);
        } else {
            FileState& state = tree[key];
            vftest::ReadFileBytes(path, state.bytes);
            state.lastWrite = entry.ftLastWriteTime;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

DWORD ValueSize(const char* key, const char* value) {
    DWORD size = 0;
    return RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_ANY, nullptr, nullptr, &size) == ERROR_SUCCESS ? size : 0;
}

}  // namespace

bool operator==(const FileState& a, const FileState& b) {
    return a.bytes == b.bytes && CompareFileTime(&a.lastWrite, &b.lastWrite) == 0;
}

// Short enough for a failure message: size, leading bytes and time.
void PrintTo(const FileState& state, std::ostream* os) {
    *os << state.bytes.size() << " bytes \"" << state.bytes.substr(0, 8) << "\"... written at "
        << state.lastWrite.dwHighDateTime << ":" << state.lastWrite.dwLowDateTime;
}

Tree Snapshot(const std::string& folder) {
    Tree tree;
    AddToSnapshot(folder, "", tree);
    return tree;
}

std::string Encrypted(const std::string& plain) {
    KeyDigest key;
    Sha1Buffer(kPassword, sizeof kPassword - 1, key);
    std::uint8_t keyBytes[kKeyDigestBytes];
    KeyDigestToBytes(key, keyBytes);
    Rc4State state;
    Rc4Init(keyBytes, sizeof keyBytes, state);
    std::string cipher = plain;
    Rc4Crypt(reinterpret_cast<std::uint8_t*>(cipher.data()), static_cast<std::int32_t>(cipher.size()), state);
    return cipher;
}

Tree EncryptedTree(const Tree& plain) {
    Tree tree;
    for (const auto& [name, state] : plain) {
        if (name.back() == '\\')
            tree[name] = state;
        else
            tree[name + kSuffix] = {Encrypted(state.bytes), state.lastWrite};
    }
    return tree;
}

void DeleteUserSettings() {
    LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    if (status == ERROR_SUCCESS) status = RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "deleting the settings: " << status;
}

DWORD HashedKeySize() { return ValueSize(kConfigurationKey, "HashedKey"); }

bool RetainedKeyStored() { return ValueSize(kRetainedKey, "Key") != 0; }

void E2eTest::SetUp() {
    DeleteUserSettings();
    ASSERT_EQ(vfhost::LoadedModulePath(), "") << "the module of an earlier test is still loaded";
    host_ = std::make_unique<vfhost::HostWindow>();
}

void E2eTest::TearDown() {
    host_.reset();
    // Every object is released: the module goes, as it does from an idle Explorer.
    CoFreeUnusedLibraries();
    DeleteUserSettings();
}

RunOutcome E2eTest::Run(UINT offset, const std::vector<std::string>& paths, const Script& script, bool holdEachFile) {
    RunOutcome outcome;
    vftest::ComRef<IShellExtInit> init;
    EXPECT_EQ(vfhost::CreateExtension("", init), S_OK);
    vftest::ComRef<IContextMenu> menu;
    if (!init.get() || FAILED(init->QueryInterface(IID_IContextMenu, menu.out()))) return outcome;
    EXPECT_EQ(vfhost::InitializeWithPaths(init.get(), paths), S_OK);
    HMENU popup = vfhost::BuildShellMenu();
    EXPECT_EQ(menu->QueryContextMenu(popup, 0, vfhost::kFirstCommandId, vfhost::kLastCommandId, CMF_NORMAL),
              MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2));
    DestroyMenu(popup);

    vfhost::ProgressGate gate;
    host_->Attach(&gate);
    // Longer than the window's repaint interval (about 33 ms): the window
    // shows every file of these small runs, and the tests can follow each.
    gate.LingerAtEachFile(100);
    if (holdEachFile) gate.HoldAtEachFile();
    {
        vftest::GuiHelper gui([&](vftest::Gui& ui) { script(ui, gate); });
        outcome.result = vfhost::InvokeOffset(menu.get(), Owner(), offset);
        gate.RunFree();
        gui.Join();
    }
    host_->Attach(nullptr);
    outcome.progressWindows = gate.WindowsSeen();
    outcome.filesShown = gate.FilesShown();
    outcome.ownerEnabled = IsWindowEnabled(Owner()) != FALSE;
    outcome.ownerActive = GetActiveWindow() == Owner();
    return outcome;
}

void E2eTest::SetPasswordByEncrypting(const std::string& path) {
    RunOutcome outcome = Run(kEncrypt, {path}, [](vftest::Gui& ui, vfhost::ProgressGate&) {
        vfhost::SetNewPassword(ui, ui.WaitWindow(vfhost::kChangePasswordCaption), kPassword);
    });
    ASSERT_EQ(outcome.result, S_OK);
    ASSERT_EQ(HashedKeySize(), kCheckValueBytes);
}

std::string E2eTest::MakeFile(const std::string& name, const std::string& bytes) {
    std::string path = dir_ / name;
    EXPECT_TRUE(vftest::WriteFileBytes(path, bytes)) << path;
    return path;
}

}  // namespace e2e
