#pragma once
// The journal on Linux and macOS: under $XDG_STATE_HOME/veilfold/journal,
// one pair of files per run, kept open for the whole run so that a file in
// hand costs one write and one sync, not files made and deleted. The record
// goes to the two files in turn: a write the power cuts short leaves the one
// before it whole. A run holds an exclusive lock (flock) on its pair, which
// tells other runs that it is not theirs to finish; the system lets go of it
// when the run ends, however it ends.
#include <map>
#include <string>

#include "engine/journal.h"

class PosixJournalStore final : public JournalStore {
public:
    // Records go into `folder`, created (mode 0700) when first needed.
    explicit PosixJournalStore(std::string folder);
    ~PosixJournalStore() override;
    PosixJournalStore(const PosixJournalStore&) = delete;
    PosixJournalStore& operator=(const PosixJournalStore&) = delete;

    bool Write(const JournalRecord& record) override;
    void Clear(const PathString& path) override;
    std::vector<JournalRecord> Unfinished() override;

private:
    // A pair an ended run left, locked by this run until its file is whole.
    struct LeftPair {
        std::string base;
        int lock = -1;
    };

    bool OpenPair();
    bool Truncate();
    void Release(const PathString& path);

    std::string folder_;
    std::string base_;  // this run's pair: base_ + ".a.vfj", base_ + ".b.vfj"
    int files_[2] = {-1, -1};
    int next_ = 0;                // the file the next record goes to
    std::uint64_t sequence_ = 0;  // of the last record written
    PathString holding_;          // the path whose record the pair holds, if any
    // Pairs of ended runs, by the path of the record each holds: deleted once
    // that file is whole, or once this run's record for it supersedes them.
    std::multimap<PathString, LeftPair> left_;
};

// $XDG_STATE_HOME/veilfold/journal, or ~/.local/state/veilfold/journal;
// empty when there is no home to put it in.
std::string DefaultJournalFolder();
