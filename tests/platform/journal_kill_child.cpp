// journal_kill_child FILE JOURNAL-FOLDER KILL-AT-BYTE: encrypts FILE and is
// killed part way (see journaled_run.h). Exits 0 only if it was not.
#include <cstdlib>
#include <cstdio>

#include "journaled_run.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: journal_kill_child FILE JOURNAL-FOLDER KILL-AT-BYTE\n");
        return 2;
    }
    vftest::RunJournaled(argv[1], argv[2], std::strtoull(argv[3], nullptr, 10));
    return 0;
}
