#include "engine/deferred_clear.h"

#include <algorithm>

bool DeferredClear::WriteAll(std::span<const JournalRecord> records) {
    std::vector<JournalRecord> next;
    for (const JournalRecord& held : held_) {
        bool replaced = std::any_of(records.begin(), records.end(),
                                    [&](const JournalRecord& record) { return record.path == held.path; });
        if (!replaced && !finished_.contains(held.path)) next.push_back(held);
    }
    next.insert(next.end(), records.begin(), records.end());
    if (!store_.WriteAll(next)) return false;
    held_ = std::move(next);
    finished_.clear();
    return true;
}

void DeferredClear::Clear(const PathString& path) {
    if (!path.empty() && Holds(path)) {
        finished_.insert(path);
        return;
    }
    // A record this run never wrote (one an ended run left): straight away.
    store_.Clear(path);
}

void DeferredClear::Settle() {
    if (finished_.empty()) return;
    WriteAll({});
}

bool DeferredClear::Holds(const PathString& path) const {
    return std::any_of(held_.begin(), held_.end(), [&](const JournalRecord& held) { return held.path == path; });
}
