#pragma once
// The shared state of a command run, as the file processing expects it; what
// a file should hold afterwards; and the prompts as the user sees them.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gui.h"
#include "paths.h"
#include "pattern.h"
#include "shared_state.h"

namespace vftest {

inline constexpr char kTestPassword[] = "correct horse battery staple";

// Key from kTestPassword, a 65535-byte I/O buffer, no progress window, no cancel.
class RunFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    SharedStateScope state_;
    TempDir dir_;

private:
    std::vector<BYTE> buffer_;
};

// TransformFile and WalkPath, each a run of its own, on this thread while
// `script` plays the user. Paths are spelled in UTF-8.
int TransformWithGui(const std::string& path, int encrypt, std::function<void(Gui&)> script);
int WalkWithGui(const std::string& path, int encrypt, std::function<void(Gui&)> script);
// RC4 under g_Key over the whole of `plain`, in one piece.
std::string Rc4Whole(const std::string& plain);
// The bytes at `path`, or "<missing>" when it cannot be read.
std::string Contents(const std::string& path);

FILETIME LastWriteTime(const std::string& path);
bool SetLastWriteTime(const std::string& path, const FILETIME& time);

// A GUI script: exactly one message box, checked and answered.
std::function<void(Gui&)> AnswerBox(const std::string& text, UINT style, int answer);

// The prompts, spelled out as the user sees them.
std::string NotFoundText(const std::string& path);          // 124
std::string CannotOpenText(const std::string& path);        // 130
std::string AlreadyEncryptedText(const std::string& path);  // 131
std::string NotEncryptedText(const std::string& path);      // 132
std::string CannotRenameText(const std::string& path);      // 137
std::string CannotTransformText(const std::string& path);   // 138
std::string PathTooLongText(const std::string& path);       // 139
std::string OtherNamesText(const std::string& path);        // 142
// 143: `lines` as the user reads them, each "path (reason)", of `count` in all.
std::string PassedOverText(const std::vector<std::string>& lines, size_t count);

}  // namespace vftest
