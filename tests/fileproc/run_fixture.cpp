#include "run_fixture.h"

#include <cstdint>

#include "common/state.h"
#include "crypto/rc4.h"
#include "crypto/sha1.h"
#include "fileproc/file_progress.h"
#include "fileproc/file_run.h"

namespace vftest {

void RunFixture::TearDown() {
    SetJournalFolder(L"");
    SetProgressRepaintInterval(kProgressRepaintMs);
}

void RunFixture::SetUp() {
    Sha1Buffer(kTestPassword, sizeof kTestPassword - 1, g_Key);
    buffer_.assign(kIoBufferSize, 0);
    g_pBuffer = buffer_.data();
    // The journal of the test's runs stays in its own folder.
    SetJournalFolder(Wide(dir_ / "journal"));
    // Tests follow every name and percent the run shows.
    SetProgressRepaintInterval(0);
}

int TransformWithGui(const std::string& path, int encrypt, std::function<void(Gui&)> script) {
    return RunWithGui(std::move(script), [&] { return TransformFile(Wide(path).c_str(), encrypt); });
}

int WalkWithGui(const std::string& path, int encrypt, std::function<void(Gui&)> script) {
    return RunWithGui(std::move(script), [&] { return WalkPath(Wide(path).c_str(), encrypt); });
}

std::string Rc4Whole(const std::string& plain) {
    std::uint8_t key[kKeyDigestBytes];
    KeyDigestToBytes(g_Key, key);
    Rc4State state;
    Rc4Init(key, sizeof key, state);
    std::string out = plain;
    Rc4Crypt(reinterpret_cast<std::uint8_t*>(out.data()), static_cast<std::int32_t>(out.size()), state);
    return out;
}

std::string Contents(const std::string& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

FILETIME LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SetLastWriteTime(const std::string& path, const FILETIME& time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return ok != FALSE;
}

}  // namespace vftest

namespace vftest {

std::function<void(Gui&)> AnswerBox(const std::string& text, UINT style, int answer) {
    return [=](Gui& ui) {
        MessageBoxSeen box = ui.WaitMessageBox();
        EXPECT_EQ(box.caption, "Veilfold");
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.style, style);
        EXPECT_EQ(box.owner, g_hwndOwner);
        ui.Answer(box, answer);
    };
}

std::string NotFoundText(const std::string& path) {
    return "Unable to find file or directory " + path + ". Do you wish to continue processing the next file?";
}
std::string CannotOpenText(const std::string& path) {
    return "Unable to open file " + path + ".\r\nContinue processing the next file?";
}
std::string AlreadyEncryptedText(const std::string& path) {
    return path + " appears to already be encrypted. Are you sure you want to encrypt it?";
}
std::string NotEncryptedText(const std::string& path) {
    return path + " does not appear to be encrypted. Are you sure you want to decrypt it?";
}
std::string CannotRenameText(const std::string& path) {
    return "Unable to rename file " + path + ".\r\nContinue processing the next file?";
}
std::string CannotTransformText(const std::string& path) {
    return "Unable to read or write file " + path + ".\r\nContinue processing the next file?";
}
std::string OtherNamesText(const std::string& path) {
    return path +
           " has other names outside the selected files and folders, which will keep their present names. Are you "
           "sure you want to change its contents?";
}
std::string PassedOverText(const std::vector<std::string>& lines, size_t count) {
    std::string text = "Some files and folders were not processed, and nothing in them was changed (" +
                       std::to_string(count) + " in all):\r\n";
    for (const std::string& line : lines) text += "\r\n" + line;
    return text;
}
std::string PathTooLongText(const std::string& path) {
    return "Unable to process file or directory " + path +
           ": the path is too long. Do you wish to continue processing the next file?";
}

}  // namespace vftest
