// The engine's run over a file system held in memory: links, hard links,
// names no code page spells, what is passed over, and faults.
#include "engine/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fake_file_system.h"
#include "rc4_whole.h"
#include "scripted_user.h"

namespace {

using vftest::FakeFileSystem;
using vftest::ScriptedUser;
using Asked = ScriptedUser::Asked;
using Reason = PassedOver::Reason;

// A path written with '/' in the file system's own spelling.
PathString P(PathView path) {
    PathString native(path);
    std::replace(native.begin(), native.end(), PathChar('/'), kPathSeparator);
    return native;
}

class RunTest : public ::testing::Test {
protected:
    RunTest() {
        const char password[] = "correct horse battery staple";
        Sha1Buffer(password, sizeof password - 1, key_);
    }

    // Runs Encrypt (or Decrypt) over `selection` start to end.
    void RunOver(std::initializer_list<PathView> selection, bool encrypt = true) {
        TransformRun run(fs_, user_, key_, buffer_, encrypt);
        bool goOn = true;
        for (PathView path : selection)
            if (goOn) goOn = run.WalkPath(P(path));
        run.Finish(!goOn);
    }

    std::string Encrypted(const std::string& plain) { return vftest::Rc4Whole(key_, plain); }

    void ExpectEncrypted(PathView path, const std::string& plain) {
        EXPECT_FALSE(fs_.Exists(P(path))) << "unmarked name left: " << testing::PrintToString(P(path));
        EXPECT_EQ(fs_.Contents(P(path) + kEncryptedSuffix), Encrypted(plain));
    }

    // Every entry of `before` but those named in `changed` is as it was.
    void ExpectUnchangedBut(const std::map<PathString, std::string>& before, std::initializer_list<PathView> changed) {
        std::map<PathString, std::string> after = fs_.Snapshot();
        for (const auto& [path, contents] : before) {
            bool mayChange = std::any_of(changed.begin(), changed.end(), [&](PathView c) { return P(c) == path; });
            if (mayChange) continue;
            auto now = after.find(path);
            ASSERT_NE(now, after.end()) << "gone: " << testing::PrintToString(path);
            EXPECT_EQ(now->second, contents) << "changed: " << testing::PrintToString(path);
        }
    }

    FakeFileSystem fs_;
    ScriptedUser user_;
    KeyDigest key_;
    std::uint8_t buffer_[7];  // small blocks: every file takes several
};

const std::string kPlain = "the plain contents of a file, over several blocks";

TEST_F(RunTest, LinksAreNotFollowedButReportedAndCloudPlaceholdersAreOrdinary) {
    fs_.AddFolder(VF_PATH("/Projects"));
    fs_.AddFolder(VF_PATH("/Projects/Archive"), kReparseTagMountPoint);  // a junction
    fs_.AddFolder(VF_PATH("/Projects/Shared"), kReparseTagSymlink);      // a directory symbolic link
    fs_.AddFile(VF_PATH("/Projects/shortcut"), "", kReparseTagSymlink);  // a file symbolic link
    fs_.AddFolder(VF_PATH("/Projects/Cloud"), kReparseTagCloud);
    fs_.AddFile(VF_PATH("/Projects/Cloud/online-only"), kPlain, kReparseTagCloud);
    fs_.AddFile(VF_PATH("/Projects/notes"), kPlain);
    // What a link would lead to, were it followed.
    fs_.AddFile(VF_PATH("/Projects/Archive/old"), kPlain);
    fs_.AddFile(VF_PATH("/Projects/Shared/theirs"), kPlain);
    auto before = fs_.Snapshot();

    RunOver({VF_PATH("/Projects"), VF_PATH("/Projects/Shared")});

    ExpectEncrypted(VF_PATH("/Projects/notes"), kPlain);
    ExpectEncrypted(VF_PATH("/Projects/Cloud/online-only"), kPlain);
    ExpectUnchangedBut(before, {VF_PATH("/Projects/notes"), VF_PATH("/Projects/Cloud/online-only")});
    EXPECT_TRUE(user_.asked.empty());
    ASSERT_EQ(user_.summaries.size(), 1u);
    std::vector<PassedOver> expected = {{P(VF_PATH("/Projects/shortcut")), Reason::Link},
                                        {P(VF_PATH("/Projects/Archive")), Reason::Link},
                                        {P(VF_PATH("/Projects/Shared")), Reason::Link},
                                        {P(VF_PATH("/Projects/Shared")), Reason::Link}};  // selected itself
    const std::vector<PassedOver>& reported = user_.summaries[0];
    ASSERT_EQ(reported.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        EXPECT_EQ(reported[n].path, expected[n].path) << n;
        EXPECT_EQ(reported[n].reason, expected[n].reason) << n;
    }
}

// Names that an ANSI code page cannot spell, and look-alikes that best-fit
// conversion would turn into "..", "." or "/": taken as they are, they lead
// nowhere but to themselves.
TEST_F(RunTest, NamesAreTakenAsTheyAreAndLookAlikesLeadNowhereElse) {
    const PathView names[] = {
        VF_PATH("\u65e5\u672c\u8a9e"),        // Japanese
        VF_PATH("\u0444\u0430\u0439\u043b"),  // Cyrillic
        VF_PATH("\U0001F512 locked"),         // emoji, outside the basic plane
        VF_PATH("\uFF0E\uFF0E"),              // two fullwidth full stops
        VF_PATH("a\u2215..\u2215b"),          // division slashes around two dots
    };
    fs_.AddFolder(VF_PATH("/home"));
    fs_.AddFile(VF_PATH("/home/outside"), kPlain);
    fs_.AddFolder(VF_PATH("/home/sel"));
    std::vector<PathString> files;
    for (PathView name : names) {
        PathString folder = PathString(VF_PATH("/home/sel/")) + PathString(name);
        fs_.AddFolder(folder);
        files.push_back(folder + VF_PATH("/") + PathString(name));
        fs_.AddFile(files.back(), kPlain);
    }

    RunOver({VF_PATH("/home/sel")});

    for (const PathString& file : files) ExpectEncrypted(file, kPlain);
    EXPECT_EQ(fs_.Contents(P(VF_PATH("/home/outside"))), kPlain);
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_TRUE(user_.summaries.empty());

    RunOver({VF_PATH("/home/sel")}, false);
    for (const PathString& file : files) EXPECT_EQ(fs_.Contents(file), kPlain);
}

TEST_F(RunTest, HardLinksInTheRunAreTransformedOnceAndEveryNameIsMarked) {
    fs_.AddFolder(VF_PATH("/sel"));
    fs_.AddFolder(VF_PATH("/sel/sub"));
    fs_.AddFile(VF_PATH("/sel/a"), kPlain);
    fs_.AddHardLink(VF_PATH("/sel/a"), VF_PATH("/sel/b"));
    fs_.AddHardLink(VF_PATH("/sel/a"), VF_PATH("/sel/sub/c"));

    RunOver({VF_PATH("/sel")});
    for (PathView name : {VF_PATH("/sel/a"), VF_PATH("/sel/b"), VF_PATH("/sel/sub/c")}) ExpectEncrypted(name, kPlain);
    EXPECT_TRUE(user_.asked.empty());

    RunOver({VF_PATH("/sel/sub/c.$#!"), VF_PATH("/sel")}, false);
    for (PathView name : {VF_PATH("/sel/a"), VF_PATH("/sel/b"), VF_PATH("/sel/sub/c")})
        EXPECT_EQ(fs_.Contents(P(name)), kPlain) << testing::PrintToString(P(name));
    EXPECT_TRUE(user_.asked.empty());
}

TEST_F(RunTest, AFileWithNamesOutsideTheRunIsChangedOnlyWhenTheUserSaysSo) {
    struct Case {
        Answer answer;
        bool changed;
    };
    for (Case c : {Case{Answer::No, false}, Case{Answer::Cancel, false}, Case{Answer::Yes, true}}) {
        FakeFileSystem fresh;
        fs_ = std::move(fresh);
        user_ = ScriptedUser();
        fs_.AddFolder(VF_PATH("/sel"));
        fs_.AddFile(VF_PATH("/sel/shared"), kPlain);
        fs_.AddOutsideNames(VF_PATH("/sel/shared"), 1);
        fs_.AddFile(VF_PATH("/sel/own"), kPlain);
        user_.answers = {c.answer};

        RunOver({VF_PATH("/sel")});

        EXPECT_EQ(user_.asked, (std::vector<Asked>{{Question::OtherNames, P(VF_PATH("/sel/shared"))}}));
        if (c.changed)
            ExpectEncrypted(VF_PATH("/sel/shared"), kPlain);
        else
            EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/shared"))), kPlain);
        ExpectEncrypted(VF_PATH("/sel/own"), kPlain);
    }
}

TEST_F(RunTest, WhatIsPassedOverIsReportedOnceAtTheEndAndTheWalkGoesOn) {
    fs_.AddFolder(VF_PATH("/sel"));
    fs_.AddFolder(VF_PATH("/sel/locked"));
    fs_.AddFile(VF_PATH("/sel/locked/inside"), kPlain);
    fs_.MakeUnlistable(VF_PATH("/sel/locked"));
    fs_.AddFolder(VF_PATH("/sel/.git"));
    fs_.AddFile(VF_PATH("/sel/.git/config"), kPlain);
    fs_.AddFolder(VF_PATH("/sel/empty"));
    fs_.AddFolder(VF_PATH("/sel/z"));
    fs_.AddFile(VF_PATH("/sel/z/last"), kPlain);
    fs_.AddFolder(VF_PATH("/.dotted"));

    RunOver({VF_PATH("/sel"), VF_PATH("/.dotted")});

    ExpectEncrypted(VF_PATH("/sel/z/last"), kPlain);
    EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/locked/inside"))), kPlain);
    EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/.git/config"))), kPlain);
    ASSERT_EQ(user_.summaries.size(), 1u);
    const std::vector<PassedOver>& reported = user_.summaries[0];
    ASSERT_EQ(reported.size(), 3u);
    EXPECT_EQ(reported[0].path, P(VF_PATH("/sel/.git")));
    EXPECT_EQ(reported[0].reason, Reason::DotFolder);
    EXPECT_EQ(reported[1].path, P(VF_PATH("/sel/locked")));
    EXPECT_EQ(reported[1].reason, Reason::Unlisted);
    EXPECT_EQ(reported[2].path, P(VF_PATH("/.dotted")));
    EXPECT_EQ(reported[2].reason, Reason::DotFolder);
}

TEST_F(RunTest, PathsPastTheFileSystemsLimitAreAskedAbout) {
    fs_.SetMaxPathLength(20);
    fs_.AddFolder(VF_PATH("/sel"));
    fs_.AddFile(VF_PATH("/sel/a-name-too-long-to-take"), kPlain);
    fs_.AddFile(VF_PATH("/sel/fits-no-mark"), kPlain);  // 17 characters: no room for the mark
    fs_.AddFile(VF_PATH("/sel/short"), kPlain);
    user_.answers = {Answer::Yes, Answer::Yes};

    RunOver({VF_PATH("/sel")});

    EXPECT_EQ(user_.asked, (std::vector<Asked>{{Question::PathTooLong, P(VF_PATH("/sel/a-name-too-long-to-take"))},
                                               {Question::CannotRename, P(VF_PATH("/sel/fits-no-mark"))}}));
    EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/fits-no-mark"))), kPlain);
    ExpectEncrypted(VF_PATH("/sel/short"), kPlain);
}

TEST_F(RunTest, AFailedReadOrRenamePutsTheContentsBack) {
    struct Case {
        const char* name;
        bool failRead;
        Question question;
    };
    for (Case c : {Case{"read", true, Question::CannotTransform}, Case{"rename", false, Question::CannotRename}}) {
        SCOPED_TRACE(c.name);
        fs_ = FakeFileSystem();
        user_ = ScriptedUser();
        fs_.AddFolder(VF_PATH("/sel"));
        fs_.AddFile(VF_PATH("/sel/file"), kPlain);
        if (c.failRead) fs_.FailReadAt(3);
        fs_.FailRenames(!c.failRead);
        auto before = fs_.Snapshot();

        RunOver({VF_PATH("/sel/file")});

        EXPECT_EQ(user_.asked, (std::vector<Asked>{{c.question, P(VF_PATH("/sel/file"))}}));
        ExpectUnchangedBut(before, {});
    }
}

TEST_F(RunTest, ACancelStopsTheRunBeforeTheNextFileAndAsksNothingMore) {
    fs_.AddFolder(VF_PATH("/sel"));
    fs_.AddFile(VF_PATH("/sel/shared"), kPlain);
    fs_.AddOutsideNames(VF_PATH("/sel/shared"), 1);
    fs_.AddFolder(VF_PATH("/sel/.hidden"));
    user_.cancelled = true;

    RunOver({VF_PATH("/sel")});

    EXPECT_TRUE(user_.asked.empty());
    EXPECT_TRUE(user_.shown.empty());
    EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/shared"))), kPlain);
}

// A long file in the fake: 100 blocks of the test's small buffer.
const std::string kLong(700, 'L');

TEST_F(RunTest, ACancelInsideAFileLeavesItWholeAndStopsTheRun) {
    struct Case {
        std::uint64_t cancelAt;  // bytes done when Cancel is pressed
        bool finished;           // more than half done: the file is finished first
    };
    for (Case c : {Case{70, false}, Case{350, false}, Case{357, true}, Case{630, true}}) {
        SCOPED_TRACE(c.cancelAt);
        fs_ = FakeFileSystem();
        user_ = ScriptedUser();
        fs_.AddFolder(VF_PATH("/sel"));
        fs_.AddFile(VF_PATH("/sel/a-long"), kLong);
        fs_.AddFile(VF_PATH("/sel/b-next"), kPlain);
        user_.cancelAtByte = c.cancelAt;

        RunOver({VF_PATH("/sel")});

        if (c.finished) {
            ExpectEncrypted(VF_PATH("/sel/a-long"), kLong);
        } else {
            EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/a-long"))), kLong);
        }
        EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/b-next"))), kPlain) << "the run stops";
        EXPECT_TRUE(user_.asked.empty());
        EXPECT_GT(user_.turnsDuringFiles, 0);
    }
}

TEST_F(RunTest, AFlushThatFailsIsAFailedWriteAndAFailedRestoreSaysSo) {
    struct Case {
        const char* name;
        int failingFlushes;
        int failingReadFrom;  // 0: none; else every read from this one on fails
        Question question;
        bool restored;
    };
    const Case cases[] = {
        {"flush before the rename", 1, 0, Question::CannotTransform, true},
        {"flush of the restore too", 2, 0, Question::NotRestored, false},
        {"read, then the restore's reads", 0, 50, Question::NotRestored, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs_ = FakeFileSystem();
        user_ = ScriptedUser();
        fs_.AddFolder(VF_PATH("/sel"));
        fs_.AddFile(VF_PATH("/sel/file"), kLong);
        fs_.FailFlushes(c.failingFlushes);
        if (c.failingReadFrom) fs_.FailReadAt(c.failingReadFrom, true);

        RunOver({VF_PATH("/sel/file")});

        EXPECT_EQ(user_.asked, (std::vector<Asked>{{c.question, P(VF_PATH("/sel/file"))}}));
        EXPECT_TRUE(fs_.Exists(P(VF_PATH("/sel/file")))) << "never renamed";
        if (c.restored) {
            EXPECT_EQ(fs_.Contents(P(VF_PATH("/sel/file"))), kLong);
        }
    }
}

}  // namespace
