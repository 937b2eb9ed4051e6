// A run killed part way, in a process of its own, and the next run, which
// finds the file in the journal and finishes it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>

#include "engine/file_job.h"
#include "engine/run.h"
#include "journaled_run.h"
#include "platform/posix_file_system.h"
#include "platform/posix_journal_store.h"
#include "rc4_whole.h"
#include "scripted_user.h"
#include "temp_folder.h"

extern char** environ;

namespace {

using vftest::ReadFile;
using vftest::ScriptedUser;
using Asked = ScriptedUser::Asked;

constexpr std::int64_t kTime = INT64_C(1650000000111222333);

// Past the length from which a pass runs its blocks, keystream and flushes on
// threads of their own: the child may have several when it is killed.
std::string Plain() {
    std::string bytes((5u << 20) + 4321, '\0');
    for (std::size_t n = 0; n < bytes.size(); ++n) bytes[n] = static_cast<char>((n * 167 + n / 4096) & 0xff);
    return bytes;
}

// The child's status once it has ended.
int RunChild(const std::string& file, const std::string& journal, std::uint64_t killAtByte) {
    std::string kill = std::to_string(killAtByte);
    char* argv[] = {const_cast<char*>(VF_KILL_CHILD), const_cast<char*>(file.c_str()),
                    const_cast<char*>(journal.c_str()), kill.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, VF_KILL_CHILD, nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return status;
}

// Kill points are bytes written, on sector boundaries, as the system's own
// writes stop when a process dies: the first sector, within the first
// stretch and just past it, midway, short of the last, and all of it.
TEST(KillTest, AFileKilledPartWayIsFinishedByTheNextRun) {
    const std::string plain = Plain();
    const std::uint64_t size = plain.size();
    const std::uint64_t kills[] = {
        4096, 20 * 4096, vftest::kKillStretch + 4096, size / 2 / 4096 * 4096, size / 4096 * 4096, size};
    const KeyDigest key = vftest::KillTestKey();
    for (std::uint64_t killAt : kills) {
        SCOPED_TRACE(testing::Message() << "killed at byte " << killAt);
        vftest::TempFolder temp;
        const std::string file = temp / "data.bin", journal = temp / "journal";
        vftest::WriteFile(file, plain);
        vftest::SetMtime(file, kTime);

        int status = RunChild(file, journal, killAt);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
        ASSERT_NE(ReadFile(file), plain) << "killed before it changed a byte";

        ScriptedUser user;  // answers Yes
        {
            PosixFileSystem fs;
            PosixJournalStore store(journal);
            std::vector<std::uint8_t> buffer(vftest::kKillBlock);
            TransformRun run(fs, user, key, buffer, true);
            run.UseJournal(store, vftest::KillTestFingerprint(), vftest::kKillStretch);
            EXPECT_TRUE(run.RecoverUnfinished());
            run.Finish(false);
        }
        EXPECT_EQ(user.asked, (std::vector<Asked>{{Question::Unfinished, file}}));
        EXPECT_EQ(ReadFile(file), "<missing>");
        const std::string marked = file + kEncryptedSuffix;
        EXPECT_TRUE(ReadFile(marked) == vftest::Rc4Whole(key, plain)) << "not wholly encrypted";
        struct stat facts;
        ASSERT_EQ(stat(marked.c_str(), &facts), 0);
        EXPECT_EQ(std::int64_t{facts.st_mtim.tv_sec} * 1000000000 + facts.st_mtim.tv_nsec, kTime);
        EXPECT_TRUE(vftest::Snapshot(journal).size() == 1) << "the journal is left empty";
    }
}

}  // namespace
