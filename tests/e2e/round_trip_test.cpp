// A selection of files and folders encrypted and decrypted again through the
// installed extension: every byte, name and last-write time comes back.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e_fixture.h"
#include "password_steps.h"
#include "paths.h"
#include "pattern.h"

namespace e2e {
namespace {

constexpr int kBlock = 65535;  // the run's buffer

using vftest::Pattern;

void SetLastWrite(const std::string& path, WORD year) {
    SYSTEMTIME when{year, 2, 0, 3, 4, 5, 6, 7};
    FILETIME time;
    SystemTimeToFileTime(&when, &time);
    HANDLE file = CreateFileW(vftest::Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

class E2eRoundTrip : public E2eTest {
protected:
    std::string MakeFolder(const std::string& name) {
        std::string path = dir_ / name;
        EXPECT_TRUE(CreateDirectoryW(vftest::Wide(path).c_str(), nullptr)) << path;
        return path;
    }
    std::string MakeOldFile(const std::string& name, const std::string& bytes, WORD year) {
        std::string path = MakeFile(name, bytes);
        SetLastWrite(path, year);
        return path;
    }
};

// Holds the run at its first file just long enough to read the caption.
Script ExpectCaption(const char* caption, const Script& answerDialog) {
    return [=](vftest::Gui& ui, vfhost::ProgressGate& gate) {
        answerDialog(ui, gate);
        if (gate.WaitHeld(vftest::kDefaultTimeoutMs)) {
            EXPECT_EQ(ui.Text(gate.Window()), caption);
        }
        gate.RunFree();
    };
}

TEST_F(E2eRoundTrip, FilesAndFoldersComeBackByteForByteWithNamesAndTimes) {
    std::vector<std::string> selection = {
        MakeFolder("docs"),
        MakeOldFile("empty.dat", "", 1999),
        MakeOldFile("multi-block.bin", Pattern(2 * kBlock + 100), 2004),
        MakeOldFile("notes.txt", "Meeting at noon.\r\n", 2011),
        MakeFolder("photos"),
        // Names no code page spells, as the shell's own data object hands them over.
        MakeOldFile("\u0444\u0430\u0439\u043b \U0001F512.txt", "secret", 2020),
        MakeFolder("\u65e5\u672c\u8a9e"),
    };
    MakeOldFile("\u65e5\u672c\u8a9e\\\u30e1\u30e2.txt", Pattern(3 * kBlock), 2021);
    MakeOldFile("docs\\a.txt", "first page", 2001);
    MakeFolder("docs\\deep");
    MakeOldFile("docs\\deep\\b.bin", Pattern(kBlock), 2002);
    Tree plain = Snapshot(dir_.path());

    RunOutcome encrypt =
        Run(kEncrypt, selection,
            ExpectCaption(vfhost::kEncryptingCaption,
                          [](vftest::Gui& ui, vfhost::ProgressGate&) {
                              vfhost::SetNewPassword(ui, ui.WaitWindow(vfhost::kChangePasswordCaption), kPassword);
                          }),
            true);
    EXPECT_EQ(encrypt.result, S_OK);
    EXPECT_EQ(encrypt.filesShown.size(), 7u);
    EXPECT_NE(std::find(encrypt.filesShown.begin(), encrypt.filesShown.end(), selection[5]), encrypt.filesShown.end())
        << "the progress window shows the name as it is";
    EXPECT_EQ(Snapshot(dir_.path()), EncryptedTree(plain));

    selection[1] += kSuffix;
    selection[2] += kSuffix;
    selection[3] += kSuffix;
    selection[5] += kSuffix;
    RunOutcome decrypt =
        Run(kDecrypt, selection,
            ExpectCaption(vfhost::kDecryptingCaption,
                          [](vftest::Gui& ui, vfhost::ProgressGate&) {
                              vfhost::EnterPassword(ui, ui.WaitWindow(vfhost::kEnterPasswordCaption), kPassword, false);
                          }),
            true);
    EXPECT_EQ(decrypt.result, S_OK);
    EXPECT_EQ(Snapshot(dir_.path()), plain);
}

}  // namespace
}  // namespace e2e
