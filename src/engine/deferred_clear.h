#pragma once
// A run's journal, with each finished file's record left in place until
// something else must happen first. The next file's record replaces it in
// the same flushed write, so a run over many small files pays one journal
// flush per file instead of two. A record that outlives its file's end says
// no more than one of a run killed just before the clear: recovery finds the
// file whole (renamed already, or every sector transformed) and lets it go.
#include "engine/journal.h"

class DeferredClear : public JournalStore {
public:
    explicit DeferredClear(JournalStore& store) : store_(store) {}

    bool Write(const JournalRecord& record) override;
    void Clear(const PathString& path) override;
    std::vector<JournalRecord> Unfinished() override { return store_.Unfinished(); }

    // Clears the record held back, if any: before the run waits on the user,
    // and at its end.
    void Settle();

private:
    JournalStore& store_;
    PathString written_;   // the path of the record the store holds
    PathString finished_;  // that path again once its file is whole; empty otherwise
};
