#pragma once
// A run's journal: the records of every file the run has in hand, written
// together, and with each finished file's record left in place until
// something else must happen first. The next write drops it in the same
// flushed write, so a run over many small files pays one journal flush per
// write instead of two. A record that outlives its file's end says no more
// than one of a run killed just before the clear: recovery finds the file
// whole (renamed already, or every sector transformed) and lets it go.
//
// A record never cleared, that of a file a failed pass could not put back,
// stays in every write after it, for the next run to finish the file.
#include <set>
#include <vector>

#include "engine/journal.h"

class DeferredClear : public JournalStore {
public:
    explicit DeferredClear(JournalStore& store) : store_(store) {}

    // Writes `records` with every record held that is neither finished nor
    // replaced by one of them.
    bool WriteAll(std::span<const JournalRecord> records) override;
    void Clear(const PathString& path) override;
    std::vector<JournalRecord> Unfinished() override { return store_.Unfinished(); }

    // Drops the finished records held back, if any: before the run waits on
    // the user, and at its end.
    void Settle();

private:
    bool Holds(const PathString& path) const;

    JournalStore& store_;
    std::vector<JournalRecord> held_;  // what the store holds
    std::set<PathString> finished_;    // those of them whose files are whole
};
