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

    bool WriteAll(std::span<const JournalRecord> records) override;
    void Clear(const PathString& path) override;
    std::vector<JournalRecord> Unfinished() override;

private:
    // A pair an ended run left, locked by this run until its files are whole.
    struct LeftPair {
        LeftRecords left;
        int lock = -1;
    };

    bool OpenPair();
    void Release(const PathString& path);

    std::string folder_;
    std::string base_;  // this run's pair: base_ + ".a.vfj", base_ + ".b.vfj"
    int files_[2] = {-1, -1};
    int next_ = 0;                     // the file the next set goes to
    std::uint64_t sequence_ = 0;       // of the last set written
    std::vector<JournalRecord> held_;  // what the pair holds
    // Pairs of ended runs, by base name, with what each holds: a record goes
    // once its file is whole, or once this run's record for it supersedes it,
    // and the pair once it holds none.
    std::map<std::string, LeftPair> left_;
};

// $XDG_STATE_HOME/veilfold/journal, or ~/.local/state/veilfold/journal;
// empty when there is no home to put it in.
std::string DefaultJournalFolder();
