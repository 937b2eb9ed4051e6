// Encrypt and then Decrypt over a real tree: every kind of entry a POSIX
// file system holds, each treated as the run promises, and all of it back
// as it was, byte for byte, name for name, time for time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "engine/file_job.h"
#include "engine/run.h"
#include "platform/posix_file_system.h"
#include "platform/posix_journal_store.h"
#include "rc4_whole.h"
#include "scripted_user.h"
#include "temp_folder.h"

namespace {

using vftest::ReadFile;
using vftest::ScriptedUser;
using vftest::TempFolder;
using vftest::WriteFile;
using Asked = ScriptedUser::Asked;

constexpr std::int64_t kTime = INT64_C(1600000000987654321);
const std::string kMark = kEncryptedSuffix;

std::string Pattern(std::size_t length, unsigned seed) {
    std::string bytes(length, '\0');
    for (std::size_t n = 0; n < length; ++n) bytes[n] = static_cast<char>((n * 131 + seed * 7 + n / 4096) & 0xff);
    return bytes;
}

class TreeRunTest : public ::testing::Test {
protected:
    TreeRunTest() : buffer_(8192) {
        const char password[] = "tree password";
        Sha1Buffer(password, sizeof password - 1, key_);
        // Outside the selection: what the links lead to.
        mkdir((temp_ / "outside").c_str(), 0755);
        Add("outside/target", Pattern(3000, 1));
        mkdir((temp_ / "outside/folder").c_str(), 0755);
        Add("outside/folder/inner", Pattern(100, 2));

        mkdir(root_.c_str(), 0755);
        Add("tree/plain", Pattern(20000, 3));  // more than two blocks, and not a whole one
        Add("tree/empty", "");
        Add("tree/readonly", Pattern(10, 4));
        chmod((root_ + "/readonly").c_str(), 0444);
        Add("tree/name \xff\xfe bytes", Pattern(500, 5));
        mkdir((root_ + "/sub").c_str(), 0755);
        mkdir((root_ + "/sub/deeper").c_str(), 0755);
        Add("tree/sub/deeper/leaf", Pattern(9000, 6));
        Add("tree/sub/hard", Pattern(5000, 7));
        link((root_ + "/sub/hard").c_str(), (root_ + "/hard-too").c_str());
        symlink("../outside/target", (root_ + "/link-to-file").c_str());
        symlink("../../outside/folder", (root_ + "/sub/link-to-folder").c_str());
    }

    void Add(const std::string& relative, const std::string& bytes) {
        WriteFile(temp_ / relative, bytes);
        vftest::SetMtime(temp_ / relative, kTime + static_cast<std::int64_t>(bytes.size()));
    }

    ScriptedUser Run(bool encrypt) {
        ScriptedUser user;
        PosixFileSystem fs;
        PosixJournalStore journal(temp_ / "journal");
        KeyDigest fingerprint{};
        TransformRun run(fs, user, key_, buffer_, encrypt);
        run.UseJournal(journal, fingerprint);
        EXPECT_TRUE(run.WalkPath(root_));
        run.Finish(false);
        return user;
    }

    // Everything but the journal's folder, which must hold nothing once a run is over.
    std::map<std::string, std::string> Entries() const {
        auto entries = vftest::Snapshot(temp_.path());
        for (auto entry = entries.begin(); entry != entries.end();) {
            bool journal = entry->first.starts_with("journal");
            EXPECT_TRUE(!journal || entry->first == "journal") << entry->first;
            entry = journal ? entries.erase(entry) : std::next(entry);
        }
        return entries;
    }

    TempFolder temp_;
    std::string root_ = temp_ / "tree";
    KeyDigest key_;
    std::vector<std::uint8_t> buffer_;
};

TEST_F(TreeRunTest, EncryptThenDecryptGivesEveryFileBackAndLeavesLinksAndTheirTargetsAlone) {
    const auto before = Entries();

    ScriptedUser encrypting = Run(true);
    EXPECT_EQ(encrypting.asked, (std::vector<Asked>{{Question::CannotOpen, root_ + "/readonly"}}));
    ASSERT_EQ(encrypting.summaries.size(), 1u);
    std::vector<PathString> links;
    for (const PassedOver& item : encrypting.summaries[0]) {
        EXPECT_EQ(item.reason, PassedOver::Reason::Link) << item.path;
        links.push_back(item.path);
    }
    std::sort(links.begin(), links.end());
    EXPECT_EQ(links, (std::vector<PathString>{root_ + "/link-to-file", root_ + "/sub/link-to-folder"}));

    // Each file under its marked name, RC4 of the key over all of it, its time
    // kept; the read-only file, the links and what they lead to as they were.
    auto encrypted = Entries();
    auto expected = before;
    for (const char* name : {"plain", "empty", "name \xff\xfe bytes", "sub/deeper/leaf", "sub/hard", "hard-too"}) {
        std::string relative = std::string("tree/") + name;
        std::string plain = ReadFile(temp_ / relative);  // not there any more
        EXPECT_EQ(plain, "<missing>") << name;
        std::string entry = expected[relative];
        std::string head = entry.substr(0, entry.find("file ") + 5);
        std::string original = entry.substr(head.size());
        expected.erase(relative);
        expected[relative + kMark] = head + vftest::Rc4Whole(key_, original);
    }
    EXPECT_EQ(encrypted, expected);
    struct stat one, two;
    ASSERT_EQ(stat((root_ + "/sub/hard" + kMark).c_str(), &one), 0);
    ASSERT_EQ(stat((root_ + "/hard-too" + kMark).c_str(), &two), 0);
    EXPECT_EQ(one.st_ino, two.st_ino) << "still one file";
    EXPECT_EQ(one.st_nlink, 2u);

    Run(false);
    EXPECT_EQ(Entries(), before);
}

}  // namespace
