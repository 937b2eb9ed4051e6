// The context menu of the installed extension, as Explorer builds it for a
// selection of a file and a folder.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "shell_session.h"

namespace e2e {
namespace {

using E2eMenu = E2eTest;

// Where the installer put the module that a process like this one loads: the
// one of its own architecture in Program Files, or, for a 32-bit program on
// 64-bit Windows, the x86 module beside the 64-bit one.
std::string InstalledModuleForThisProcess() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    char programs[MAX_PATH] = "";
    if (wow64) {
        GetEnvironmentVariableA("ProgramW6432", programs, MAX_PATH);
        return std::string(programs) + "\\Veilfold\\x86\\veilfold.dll";
    }
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAM_FILES, FALSE);
    return std::string(programs) + "\\Veilfold\\veilfold.dll";
}

TEST_F(E2eMenu, InstalledModuleAddsItsTwoCommandsBelowASeparator) {
    std::string file = MakeFile("report.txt", "quarterly figures");
    std::string folder = dir_ / "photos";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));

    vftest::ComRef<IShellExtInit> init;
    ASSERT_EQ(vfhost::CreateExtension("", init), S_OK);
    EXPECT_STRCASEEQ(vfhost::LoadedModulePath().c_str(), InstalledModuleForThisProcess().c_str());
    ASSERT_EQ(vfhost::InitializeWithPaths(init.get(), {file, folder}), S_OK);

    vftest::ComRef<IContextMenu> menu;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.out()), S_OK);
    HMENU popup = vfhost::BuildShellMenu();
    EXPECT_EQ(menu->QueryContextMenu(popup, 2, 1000, 0x7FFF, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2));
    std::vector<vfhost::MenuItem> items = vfhost::ReadMenu(popup);
    DestroyMenu(popup);
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[1].text, "Cu&t");
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].id, 1000u);
    EXPECT_EQ(items[3].text, "&Encrypt");
    EXPECT_EQ(items[4].id, 1001u);
    EXPECT_EQ(items[4].text, "&Decrypt");
    EXPECT_EQ(items[5].text, "&Copy");

    const char* const help[] = {"Encrypt selected files.", "Decrypt selected files."};
    for (UINT offset : {kEncrypt, kDecrypt}) {
        HRESULT result;
        EXPECT_EQ(vfhost::CommandHelp(menu.get(), offset, result), help[offset]);
        EXPECT_EQ(result, S_OK);
    }
    HRESULT result;
    vfhost::CommandHelp(menu.get(), 2, result);
    EXPECT_EQ(result, E_INVALIDARG);
}

}  // namespace
}  // namespace e2e
