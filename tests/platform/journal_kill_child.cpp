// journal_kill_child FILE JOURNAL-FOLDER KILL-AT-BYTE [PASSWORD]: encrypts
// FILE and is killed part way (see journaled_run.h). Exits 0 only if it was
// not. With PASSWORD, the key and journal fingerprint are that password's, as
// veilfold derives them, so that veilfold can finish the file.
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "crypto/check_value.h"
#include "journaled_run.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: journal_kill_child FILE JOURNAL-FOLDER KILL-AT-BYTE [PASSWORD]\n");
        return 2;
    }
    KeyDigest key = vftest::KillTestKey();
    KeyDigest fingerprint = vftest::KillTestFingerprint();
    if (argc == 5) {
        std::uint32_t length = static_cast<std::uint32_t>(std::strlen(argv[4]));
        Sha1Buffer(argv[4], length, key);
        fingerprint = ComputeCheckValue(argv[4], length, key);
    }
    vftest::RunJournaled(argv[1], argv[2], std::strtoull(argv[3], nullptr, 10), key, fingerprint);
    return 0;
}
