// A run over what a real disk holds: names no code page spells, hard links,
// and folders that cannot be listed. (Paths past MAX_PATH: walker_test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "common/messages.h"
#include "common/state.h"
#include "progress_recorder.h"
#include "run_fixture.h"

namespace {

using vftest::AnswerBox;
using vftest::Contents;
using vftest::NothingExpected;
using vftest::Pattern;
using vftest::Rc4Whole;
using vftest::WalkWithGui;
using vftest::Wide;

std::wstring Extended(const std::string& path) { return L"\\\\?\\" + Wide(path); }

class RealDiskTest : public vftest::RunFixture {
protected:
    void MakeFolder(const std::string& relative) {
        ASSERT_TRUE(CreateDirectoryW(Extended(dir_ / relative).c_str(), nullptr)) << relative;
    }
    std::string MakeFile(const std::string& relative, size_t size = 70000) {
        std::string path = dir_ / relative;
        plain_[path] = Pattern(size, static_cast<unsigned>(plain_.size()));
        EXPECT_TRUE(vftest::WriteFileBytes(path, plain_[path])) << relative;
        return path;
    }
    void ExpectEncrypted(const std::string& path, const std::string& plain) {
        EXPECT_FALSE(vftest::FileExists(path)) << path;
        EXPECT_EQ(Contents(path + ".$#!"), Rc4Whole(plain)) << path;
    }

    std::map<std::string, std::string> plain_;
};

// Japanese, Cyrillic, an emoji (a surrogate pair), and look-alikes that a
// best-fit conversion would turn into ".." and "\".
TEST_F(RealDiskTest, NamesNoCodePageSpellsAreTransformedUnderTheirRealNames) {
    const std::string names[] = {"\u65e5\u672c\u8a9e", "\u0444\u0430\u0439\u043b", "\U0001F512 locked", "\uFF0E\uFF0E",
                                 "a\u2215..\u2215b"};
    MakeFolder("root");
    std::string outside = MakeFile("outside.txt");
    std::vector<std::string> files;
    for (const std::string& name : names) {
        MakeFolder("root\\" + name);
        files.push_back(MakeFile("root\\" + name + "\\" + name + ".txt"));
    }
    vftest::ProgressRecorder progress;

    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, NothingExpected), 1);
    for (const std::string& file : files) {
        ExpectEncrypted(file, plain_[file]);
        EXPECT_NE(std::find(progress.names().begin(), progress.names().end(), file), progress.names().end())
            << "shown as it is: " << file;
    }
    EXPECT_EQ(Contents(outside), plain_[outside]);

    EXPECT_EQ(WalkWithGui(dir_ / "root", 0, NothingExpected), 1);
    for (const std::string& file : files) EXPECT_EQ(Contents(file), plain_[file]) << file;
}

TEST_F(RealDiskTest, AQuestionShowsTheFilesRealName) {
    std::string held = MakeFile("\u0444\u0430\u0439\u043b \U0001F512.txt");
    HANDLE holder = CreateFileW(Extended(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WalkWithGui(held, 1, AnswerBox(vftest::CannotOpenText(held), kStyleContinue, IDYES)), 1);
    CloseHandle(holder);
    EXPECT_EQ(Contents(held), plain_[held]);
}

TEST_F(RealDiskTest, TwoNamesOfOneFileInTheSelectionAreTransformedOnceAndBothMarked) {
    MakeFolder("root");
    std::string first = MakeFile("root\\first.bin");
    std::string second = dir_ / "root\\second.bin";
    ASSERT_TRUE(CreateHardLinkW(Extended(second).c_str(), Extended(first).c_str(), nullptr));

    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, NothingExpected), 1);
    ExpectEncrypted(first, plain_[first]);
    ExpectEncrypted(second, plain_[first]);

    EXPECT_EQ(WalkWithGui(dir_ / "root", 0, NothingExpected), 1);
    EXPECT_EQ(Contents(first), plain_[first]);
    EXPECT_EQ(Contents(second), plain_[first]);
}

TEST_F(RealDiskTest, AFileWithANameOutsideTheSelectionIsChangedOnlyWhenTheUserSaysSo) {
    MakeFolder("root");
    MakeFolder("elsewhere");
    std::string shared = MakeFile("root\\shared.bin");
    std::string own = MakeFile("root\\own.bin");
    std::string other = dir_ / "elsewhere\\other name.bin";
    ASSERT_TRUE(CreateHardLinkW(Extended(other).c_str(), Extended(shared).c_str(), nullptr));
    auto asked = [&](int answer) { return AnswerBox(vftest::OtherNamesText(shared), kStyleConfirm, answer); };

    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, asked(IDNO)), 1);
    EXPECT_EQ(Contents(shared), plain_[shared]);
    EXPECT_EQ(Contents(other), plain_[shared]);
    ExpectEncrypted(own, plain_[own]);

    EXPECT_EQ(WalkWithGui(dir_ / "root\\shared.bin", 1, asked(IDYES)), 1);
    ExpectEncrypted(shared, plain_[shared]);
    EXPECT_TRUE(vftest::FileExists(other)) << "a name outside the selection keeps its name";
}

// Lines of the summary box after its first paragraph.
std::vector<std::string> SummaryLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = text.find("\r\n\r\n");
    if (start == std::string::npos) return lines;
    std::string rest = text.substr(start + 4);
    for (size_t at = 0; at <= rest.size();) {
        size_t end = std::min(rest.find("\r\n", at), rest.size());
        lines.push_back(rest.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST_F(RealDiskTest, WhatWasPassedOverIsSummedUpOnceAtTheEnd) {
    MakeFolder("root");
    MakeFolder("root\\locked");
    MakeFile("root\\locked\\inside.txt");
    std::vector<std::string> expected = {dir_ / "root\\locked (could not be opened)"};
    for (const char* dotted : {".git", ".cache", ".venv", ".config", ".local", ".\u65e5\u672c"}) {
        MakeFolder(std::string("root\\") + dotted);
        MakeFile(std::string("root\\") + dotted + "\\inside.txt");
        expected.push_back(dir_ / "root\\" + dotted + " (its name begins with a dot)");
    }
    std::string done = MakeFile("root\\done.txt");
    // Held open without sharing, the folder cannot be listed.
    HANDLE holder = CreateFileW(Extended(dir_ / "root\\locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    int result = WalkWithGui(dir_ / "root", 1, [&](vftest::Gui& ui) {
        vftest::MessageBoxSeen box = ui.WaitMessageBox();
        ui.Screenshot("passed-over-summary");
        EXPECT_EQ(box.style, kStyleSummary);
        EXPECT_EQ(box.text.substr(0, box.text.find("\r\n\r\n")),
                  "Some files and folders were not processed, and nothing in them was changed (7 in all):");
        std::vector<std::string> lines = SummaryLines(box.text);
        ASSERT_EQ(lines.size(), 6u) << box.text;
        // What failed comes before what was passed over by design.
        EXPECT_EQ(lines[0], expected[0]);
        for (size_t n = 1; n < 5; ++n)
            EXPECT_NE(std::find(expected.begin(), expected.end(), lines[n]), expected.end()) << lines[n];
        EXPECT_EQ(lines[5], "and 2 more.");
        ui.Answer(box, IDOK);
    });
    CloseHandle(holder);

    EXPECT_EQ(result, 1);
    ExpectEncrypted(done, plain_[done]);
    for (const auto& [path, plain] : plain_) {
        if (path == done) continue;
        EXPECT_EQ(Contents(path), plain) << path;
    }
}

}  // namespace
