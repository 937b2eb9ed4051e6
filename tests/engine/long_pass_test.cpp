// A long file: its keystream made on a second thread, its blocks on a third,
// and the user's window taking its turns however long the disk holds a write.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "engine/beside.h"
#include "engine/keystream_ahead.h"
#include "engine/run_keystream.h"
#include "engine/run.h"
#include "fake_file_system.h"
#include "rc4_whole.h"

namespace {

using vftest::FakeFileSystem;

KeyDigest TestKey() {
    KeyDigest key;
    const char password[] = "a long file";
    Sha1Buffer(password, sizeof password - 1, key);
    return key;
}

// One thread serves piece after piece of work, the last after one threw.
TEST(Beside, TheCallerTakesTurnsWhileTheWorkBlocksAndGetsBackWhatItThrows) {
    Beside beside;
    for (int round = 0; round < 2; ++round) {
        std::atomic<int> turns{0};
        beside.Run(
            [&] {
                while (turns < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            },
            [&] { ++turns; });
        EXPECT_GE(turns, 3);
        EXPECT_THROW(beside.Run([] { throw std::runtime_error("disk gone"); }, [] {}), std::runtime_error);
    }
}

// From offset 0 and from part-way, over more than the generator's whole ring
// twice, taken in pieces that straddle its chunks.
TEST(KeystreamAhead, IsTheKeystreamFromAnyOffsetHoweverItIsTaken) {
    const KeyDigest key = TestKey();
    const std::size_t length = 2 * KeystreamAhead::kChunk * KeystreamAhead::kChunks + 777;
    const std::size_t pieces[] = {1, 4095, 65536, KeystreamAhead::kChunk + 3};
    for (std::size_t from : {std::size_t{0}, std::size_t{12345}}) {
        SCOPED_TRACE(from);
        std::string expected = vftest::Rc4Whole(key, std::string(from + length, '\0')).substr(from);
        std::string got(length, '\0');
        KeystreamAhead ahead(key, from);
        for (std::size_t at = 0, n = 0; at < length; ++n) {
            std::size_t piece = std::min(pieces[n % 4], length - at);
            ahead.Apply(reinterpret_cast<std::uint8_t*>(got.data()) + at, piece);
            at += piece;
        }
        EXPECT_TRUE(got == expected);
    }
}

// A user whose window must answer while a write is held: it counts its
// turns, and reads the Cancel the test presses.
class CountingUser final : public RunUser {
public:
    std::atomic<int> turns{0};
    std::atomic<bool> pressCancel{false};
    Answer Ask(Question, const PathString&) override { return Answer::Yes; }
    bool Cancelled() override { return pressCancel; }
    bool CancelledDuringFile() override {
        ++turns;
        return pressCancel;
    }
    void ShowFile(const PathString&) override {}
    void ShowProgress(std::uint64_t, std::uint64_t) override {}
    void ReportPassedOver(const std::vector<PassedOver>&) override {}
};

// The run's keystream, made in pieces as files need it, read back across
// their seams and from anywhere, after further pieces were made.
TEST(RunKeystream, IsTheKeystreamWhereverItIsRead) {
    const KeyDigest key = TestKey();
    const std::size_t length = 2 * RunKeystream::kPiece + 999;
    const std::string whole = vftest::Rc4Whole(key, std::string(length, '\0'));
    RunKeystream run(key);
    struct Read {
        std::uint64_t offset;
        std::size_t length;
    };
    for (Read read : {Read{0, 10}, Read{RunKeystream::kPiece - 5, 10}, Read{3, length - 3}, Read{7, 4096}}) {
        SCOPED_TRACE(read.offset);
        std::string got(read.length, '\0');
        run.Apply(read.offset, reinterpret_cast<std::uint8_t*>(got.data()), got.size());
        EXPECT_TRUE(got == whole.substr(read.offset, read.length));
    }
}

// A short file, one longer than the run keeps of its keystream, and a short
// one again: the longer file takes what the first made and has the rest made
// as it goes, from where the run's ends; the last reuses the run's.
TEST(LongFile, PastTheRunsKeystreamAFileIsTransformedWholeAndTheNextReusesIt) {
    const KeyDigest key = TestKey();
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("sel");
    const PathString paths[] = {folder + kPathSeparator + VF_PATH("a-short"),
                                folder + kPathSeparator + VF_PATH("b-longer"),
                                folder + kPathSeparator + VF_PATH("c-short")};
    std::string longer(kRunKeystreamCap + RunKeystream::kPiece + 777, '\0');
    for (std::size_t n = 0; n < longer.size(); ++n) longer[n] = static_cast<char>(n * 13 + n / 4096);
    const std::string contents[] = {longer.substr(7, 5000), longer, longer.substr(100, 70000)};
    FakeFileSystem fs;
    fs.AddFolder(folder);
    for (int n = 0; n < 3; ++n) fs.AddFile(paths[n], contents[n]);
    CountingUser user;
    std::vector<std::uint8_t> buffer(61440);
    TransformRun run(fs, user, key, buffer, true);
    EXPECT_TRUE(run.WalkPath(folder));
    run.Finish(false);
    for (int n = 0; n < 3; ++n)
        EXPECT_TRUE(fs.Contents(paths[n] + kEncryptedSuffix) == vftest::Rc4Whole(key, contents[n])) << n;
}

// The disk holds one write until the window has had three turns, as a slow
// disk holds a flush, and the user presses Cancel meanwhile. Before half way
// that puts the file back; after it, the file is finished. Either way the run
// stops before the next file.
TEST(LongFile, TheWindowAnswersWhileTheDiskHoldsAWriteAndACancelLeavesTheFileWhole) {
    const KeyDigest key = TestKey();
    const std::string file(kLongPass + 4321, 'x');
    const PathString folder = PathString(1, kPathSeparator) + VF_PATH("sel");
    const PathString path = folder + kPathSeparator + VF_PATH("a-long");
    const PathString next = folder + kPathSeparator + VF_PATH("b-next");
    for (std::uint64_t heldAt :
         {std::uint64_t{0}, std::uint64_t{file.size() * 3 / 4}}) {  // the first write, or one past half way
        SCOPED_TRACE(heldAt);
        FakeFileSystem fs;
        fs.AddFolder(folder);
        fs.AddFile(path, file);
        fs.AddFile(next, "next");
        CountingUser user;
        bool held = false;
        bool answered = false;
        fs.beforeWrite = [&](std::uint64_t offset) {
            if (held || offset < heldAt) return;
            held = true;
            user.pressCancel = true;
            // Bounded, so that a window that gets no turn fails rather than hangs.
            int from = user.turns;
            auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (user.turns < from + 3 && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            answered = user.turns >= from + 3;
        };
        std::vector<std::uint8_t> buffer(61440);
        TransformRun run(fs, user, key, buffer, true);
        EXPECT_FALSE(run.WalkPath(folder)) << "the run stops";
        run.Finish(true);

        EXPECT_TRUE(held);
        EXPECT_TRUE(answered) << "the window had no turn while the disk held a write";
        bool finished = heldAt > file.size() / 2;
        if (finished)
            EXPECT_TRUE(fs.Contents(path + kEncryptedSuffix) == vftest::Rc4Whole(key, file)) << "not encrypted";
        else
            EXPECT_TRUE(fs.Contents(path) == file) << "not put back";
        EXPECT_EQ(fs.Contents(next), "next");
    }
}

}  // namespace
