#pragma once
// Makes chosen kernel32 calls of this executable fail, by swapping entries of
// its import table for the life of the object. The file code is linked into
// the test executable, so its calls go through that table.
#include <windows.h>

#include <vector>

namespace vftest {

class ImportPatch {
public:
    ImportPatch(const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    void* original() const { return original_; }
    bool installed() const { return slot_ != nullptr; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// The `failingCall`-th ReadFile call (1-based) fails; the others succeed.
class FailingRead {
public:
    explicit FailingRead(int failingCall);
    ImportPatch patch;
};

// The `failingCall`-th WriteFile call writes only the first half of its bytes
// and fails, as a full disk does; the others succeed. kNever only counts.
class FailingWrite {
public:
    static constexpr int kNever = 0;
    explicit FailingWrite(int failingCall);
    int calls() const;  // WriteFile calls so far
    ImportPatch patch;
};

// Writes down each WriteFile and FlushFileBuffers call, and whether it was on
// a journal file (a name ending ".vfj") or another.
class DiskOrder {
public:
    struct Event {
        bool journal;
        bool flush;  // FlushFileBuffers; otherwise WriteFile
        bool operator==(const Event&) const = default;
    };
    DiskOrder();
    ~DiskOrder();
    std::vector<Event> events;
    ImportPatch write;
    ImportPatch flush;
};

// The run is killed at the `crashingCall`-th WriteFile call (1-based): the
// call throws Killed, which unwinds the run without one more step of its own,
// the journal's files closed as the system closes a killed process's.
struct Killed {};
class CrashingWrite {
public:
    static constexpr int kNever = 0;  // only counts
    explicit CrashingWrite(int crashingCall);
    int calls() const;  // WriteFile calls so far
    ImportPatch patch;
};

// Every WriteFile call waits `milliseconds` first, as a slow disk does: a
// long file then takes long enough for a test to act in its middle on any
// machine.
class SlowWrite {
public:
    explicit SlowWrite(DWORD milliseconds);
    ImportPatch patch;
};

// Every MoveFileExW call fails.
class FailingMove {
public:
    FailingMove();
    ImportPatch patch;
};

}  // namespace vftest
