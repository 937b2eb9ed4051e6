#include "engine/deferred_clear.h"

bool DeferredClear::Write(const JournalRecord& record) {
    if (!store_.Write(record)) return false;
    // The store's one record is now this one, whichever path it is of.
    written_ = record.path;
    finished_.clear();
    return true;
}

void DeferredClear::Clear(const PathString& path) {
    if (!path.empty() && path == written_) {
        finished_ = path;
        return;
    }
    // A record this run never wrote (one an ended run left): straight away.
    store_.Clear(path);
}

void DeferredClear::Settle() {
    if (finished_.empty()) return;
    store_.Clear(finished_);
    written_.clear();
    finished_.clear();
}
