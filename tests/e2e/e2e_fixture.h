#pragma once
// End-to-end runs of the installed extension: the module is created through
// the registry, as Explorer creates it, and handed a real selection of real
// files; a helper thread (vftest::GuiHelper) plays the user in the module's
// dialogs while the command runs on the test's thread.
//
// Each test starts and ends without the user's settings
// (HKCU\Software\Veilfold) and unloads the module at its end, so the next test
// loads it afresh, as a new Explorer session would.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui.h"
#include "host_window.h"
#include "paths.h"
#include "progress_gate.h"

namespace e2e {

inline constexpr UINT kEncrypt = 0;
inline constexpr UINT kDecrypt = 1;
inline constexpr char kPassword[] = "correct horse";
inline constexpr char kSuffix[] = ".$#!";
inline constexpr DWORD kCheckValueBytes = 20;  // "HashedKey"

// What the helper thread does during one run, with the run's progress gate.
using Script = std::function<void(vftest::Gui&, vfhost::ProgressGate&)>;

struct RunOutcome {
    HRESULT result = E_FAIL;
    int progressWindows = 0;
    std::vector<std::string> filesShown;  // paths the progress window showed, in order
    bool ownerEnabled = false;            // afterwards
    bool ownerActive = false;             // afterwards
};

// A file as the tests compare it: contents and last-write time.
struct FileState {
    std::string bytes;
    FILETIME lastWrite{};
};
bool operator==(const FileState& a, const FileState& b);
void PrintTo(const FileState& state, std::ostream* os);

// Every file below a folder, by path relative to it; folders end in "\".
using Tree = std::map<std::string, FileState>;
Tree Snapshot(const std::string& folder);

// The contents of a file encrypted under kPassword.
std::string Encrypted(const std::string& plain);
// The tree as it must look after Encrypt: every file renamed and enciphered, same time.
Tree EncryptedTree(const Tree& plain);

class E2eTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Right-click the paths, choose the command, and let `script` play the user.
    // With `holdEachFile` the run waits at each file until the script resumes it.
    RunOutcome Run(UINT offset, const std::vector<std::string>& paths, const Script& script, bool holdEachFile = false);
    // A first run that sets kPassword, so that later runs ask for it.
    void SetPasswordByEncrypting(const std::string& path);

    std::string MakeFile(const std::string& name, const std::string& bytes);
    HWND Owner() const { return host_->hwnd(); }
    // A picture of the screen under the build tree's screenshots, from any thread.
    void Photograph(const std::string& name) { host_->Photograph(vftest::ScreenshotDir() + "\\" + name + ".bmp"); }

    vftest::TempDir dir_;

private:
    std::unique_ptr<vfhost::HostWindow> host_;
};

// The user's settings in the registry.
void DeleteUserSettings();
DWORD HashedKeySize();  // 0 when absent
bool RetainedKeyStored();

}  // namespace e2e
