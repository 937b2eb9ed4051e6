// WalkPath over real folder trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "common/messages.h"
#include "common/state.h"
#include "failing_io.h"
#include "fileproc/file_run.h"
#include "progress_recorder.h"
#include "run_fixture.h"

namespace {

using vftest::AnswerBox;
using vftest::Contents;
using vftest::NothingExpected;
using vftest::Pattern;
using vftest::Rc4Whole;
using vftest::WalkWithGui;

class WalkerTest : public vftest::RunFixture {
protected:
    // Creates the folders and files named (relative to the temporary folder;
    // a trailing "\" makes a folder) and remembers each file's contents.
    void MakeTree(std::initializer_list<std::string> entries) {
        for (const std::string& entry : entries) {
            if (entry.back() == '\\')
                ASSERT_TRUE(CreateDirectoryA((dir_ / entry).c_str(), nullptr)) << entry;
            else
                AddFile(entry, 100 + plain_.size() * 70000 % 150000);
        }
    }

    // Sizes vary from file to file, some over one block.
    void AddFile(const std::string& entry, size_t size) {
        std::string path = dir_ / entry;
        plain_[path] = Pattern(size, static_cast<unsigned>(plain_.size()));
        ASSERT_TRUE(vftest::WriteFileBytes(path, plain_[path])) << path;
    }

    void ExpectEncryptedOnce(const std::string& path) {
        EXPECT_FALSE(vftest::FileExists(path)) << path;
        EXPECT_EQ(Contents(path + ".$#!"), Rc4Whole(plain_.at(path))) << path;
    }
    void ExpectUntouched(const std::string& path) {
        EXPECT_EQ(Contents(path), plain_.at(path)) << path;
        EXPECT_FALSE(vftest::FileExists(path + ".$#!")) << path;
    }

    std::map<std::string, std::string> plain_;
};

size_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) - names.begin();
}

TEST_F(WalkerTest, FilesOfAFolderComeBeforeItsSubfolders) {
    MakeTree({"root\\", "root\\s\\", "root\\s\\c", "root\\a", "root\\b"});
    vftest::ProgressRecorder progress;

    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, NothingExpected), 1);
    const std::vector<std::string>& shown = progress.names();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_LT(IndexOf(shown, dir_ / "root\\a"), 2u);
    EXPECT_LT(IndexOf(shown, dir_ / "root\\b"), 2u);
    EXPECT_EQ(shown[2], dir_ / "root\\s\\c");
    for (const char* file : {"root\\a", "root\\b", "root\\s\\c"}) ExpectEncryptedOnce(dir_ / file);
}

TEST_F(WalkerTest, EveryFileIsTransformedOnceWhateverItsAttributesButDotFoldersAreNotEntered) {
    MakeTree({"root\\", "root\\.hidden-dir\\", "root\\.hidden-dir\\inside", "root\\empty\\", "root\\sub\\",
              "root\\sub\\deeper\\", "root\\sub\\deeper\\leaf", "root\\.dotfile", "root\\hidden", "root\\system"});
    for (int n = 0; n < 40; ++n) AddFile(std::string("root\\sub\\file").append(std::to_string(n)), n % 3 * 65535 + 11);
    SetFileAttributesA((dir_ / "root\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((dir_ / "root\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);

    // The dot-folder is passed over, and said so once the walk is done.
    auto summary = AnswerBox(vftest::PassedOverText({dir_ / "root\\.hidden-dir (its name begins with a dot)"}, 1),
                             kStyleSummary, IDOK);
    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, summary), 1);
    for (const auto& [path, bytes] : plain_) {
        if (path.find(".hidden-dir") == std::string::npos) ExpectEncryptedOnce(path);
    }
    ExpectUntouched(dir_ / "root\\.hidden-dir\\inside");

    // Decrypting the same tree gives back every file as it was.
    EXPECT_EQ(WalkWithGui(dir_ / "root", 0, summary), 1);
    for (const auto& [path, bytes] : plain_) ExpectUntouched(path);
}

TEST_F(WalkerTest, SelectedDotFolderIsPassedOver) {
    MakeTree({".config\\", ".config\\file"});
    std::string line = dir_ / ".config (its name begins with a dot)";
    EXPECT_EQ(WalkWithGui(dir_ / ".config", 1, AnswerBox(vftest::PassedOverText({line}, 1), kStyleSummary, IDOK)), 1);
    ExpectUntouched(dir_ / ".config\\file");
}

TEST_F(WalkerTest, SelectedFileGoesStraightToTheTransform) {
    MakeTree({"single.doc"});
    EXPECT_EQ(WalkWithGui(dir_ / "single.doc", 1, NothingExpected), 1);
    ExpectEncryptedOnce(dir_ / "single.doc");
}

TEST_F(WalkerTest, MissingSelectedPathAsksWhetherToGoOn) {
    std::string missing = dir_ / "vanished";
    EXPECT_EQ(WalkWithGui(missing, 1, AnswerBox(vftest::NotFoundText(missing), kStyleContinue, IDYES)), 1);
    EXPECT_EQ(WalkWithGui(missing, 1, AnswerBox(vftest::NotFoundText(missing), kStyleContinue, IDNO)), 0);
}

TEST_F(WalkerTest, NoToAFileDeepInTheTreeStopsEverythingAfterIt) {
    MakeTree({"root\\", "root\\top", "root\\a\\", "root\\a\\deep\\", "root\\a\\deep\\locked", "root\\a\\deep\\sub\\",
              "root\\a\\deep\\sub\\after", "root\\a\\zz\\", "root\\a\\zz\\sibling", "root\\b\\", "root\\b\\later",
              "root\\c\\", "root\\c\\later"});
    std::string locked = dir_ / "root\\a\\deep\\locked";
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    vftest::ProgressRecorder progress;

    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, AnswerBox(vftest::CannotOpenText(locked), kStyleContinue, IDNO)), 0);
    CloseHandle(holder);

    // Folders come in search order, so which siblings went first is not
    // fixed: what matters is that nothing was touched after the refusal.
    const std::vector<std::string>& shown = progress.names();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), locked);
    ExpectUntouched(locked);
    ExpectUntouched(dir_ / "root\\a\\deep\\sub\\after");
    for (const auto& [path, bytes] : plain_) {
        if (path == locked) continue;
        if (IndexOf(shown, path) < shown.size())
            ExpectEncryptedOnce(path);
        else
            ExpectUntouched(path);
    }
}

TEST_F(WalkerTest, CancelIsSeenAtTheStartOfTheNextFolderOrFile) {
    MakeTree({"root\\", "root\\one", "root\\two", "root\\sub\\", "root\\sub\\three"});
    vftest::ProgressRecorder progress;

    // Cancel pressed before the walk: the folder's own pump sees it.
    progress.PostCancel();
    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, NothingExpected), 0);
    EXPECT_TRUE(progress.names().empty());

    // Cancel pressed while the first file is transformed: the next file's pump sees it.
    g_bCancel = FALSE;
    progress.OnName([&](const std::string&) { progress.PostCancel(); });
    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, NothingExpected), 0);
    ASSERT_EQ(progress.names().size(), 1u);
    ExpectEncryptedOnce(progress.names()[0]);
    ExpectUntouched(dir_ / "root\\sub\\three");
}

TEST_F(WalkerTest, NewNameTakenInTheFolderIsCaughtBeforeTheContentsAreTouched) {
    MakeTree({"root\\", "root\\taken.$#!", "root\\TAKEN"});
    std::string taken = dir_ / "root\\taken.$#!";
    std::string unmarked = dir_ / "root\\TAKEN";

    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        // Search order decides which comes first; each is answered by its text.
        for (int n = 0; n < 2; ++n) {
            vftest::MessageBoxSeen box = ui.WaitMessageBox();
            bool known = box.text == vftest::CannotRenameText(taken) || box.text == vftest::NotEncryptedText(unmarked);
            EXPECT_TRUE(known) << box.text;
            ui.Answer(box, box.style == kStyleConfirm ? IDNO : IDYES);
        }
    });
    int writes;
    {
        vftest::FailingWrite counter(vftest::FailingWrite::kNever);
        ASSERT_TRUE(counter.patch.installed());
        EXPECT_EQ(WalkPath(vftest::Wide(dir_ / "root").c_str(), 0), 1);
        writes = counter.calls();
    }
    gui.Join();
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(Contents(taken), plain_.at(taken));
    EXPECT_EQ(Contents(unmarked), plain_.at(unmarked));
}

TEST_F(WalkerTest, NewNameTakenDuringTheWalkPutsTheContentsBack) {
    MakeTree({"root\\", "root\\raced.$#!"});
    std::string raced = dir_ / "root\\raced.$#!";
    vftest::ProgressRecorder progress;
    // Another program takes the name after the folder was searched.
    progress.OnName([&](const std::string&) { vftest::WriteFileBytes(dir_ / "root\\Raced", "late"); });

    EXPECT_EQ(WalkWithGui(dir_ / "root", 0, AnswerBox(vftest::CannotRenameText(raced), kStyleContinue, IDYES)), 1);
    EXPECT_EQ(Contents(raced), plain_.at(raced));
    EXPECT_EQ(Contents(dir_ / "root\\Raced"), "late");
}

TEST_F(WalkerTest, FileThatVanishesDuringTheWalkIsReportedAsNotFound) {
    MakeTree({"root\\", "root\\gone"});
    std::string gone = dir_ / "root\\gone";
    vftest::ProgressRecorder progress;
    progress.OnName([&](const std::string& name) {
        if (name == gone) DeleteFileA(gone.c_str());
    });
    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, AnswerBox(vftest::NotFoundText(gone), kStyleContinue, IDYES)), 1);
    EXPECT_FALSE(vftest::FileExists(gone + ".$#!"));
}

TEST_F(WalkerTest, PathsPastMaxPathAreWalkedAndTransformedLikeAnyOther) {
    // Three folders of 100 characters: the file's path runs past 300.
    std::string deep = "root\\" + std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\" + std::string(100, 'c');
    std::string folder = "root\\";
    MakeTree({"root\\"});
    for (char c : {'a', 'b', 'c'}) {
        folder += std::string(100, c) + "\\";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + vftest::Wide(dir_ / folder)).c_str(), nullptr)) << folder;
    }
    MakeTree({folder + "file.txt", "root\\near.txt"});
    std::string file = dir_ / (folder + "file.txt");
    ASSERT_GT(file.size(), 300u);

    EXPECT_EQ(WalkWithGui(dir_ / "root", 1, NothingExpected), 1);
    ExpectEncryptedOnce(file);
    ExpectEncryptedOnce(dir_ / "root\\near.txt");
    EXPECT_EQ(WalkWithGui(dir_ / "root", 0, NothingExpected), 1);
    ExpectUntouched(file);
}

}  // namespace
