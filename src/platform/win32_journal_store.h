#pragma once
// The journal on Win32: one pair of files per file in hand, under
// %LOCALAPPDATA%\Veilfold\Journal, written through to the disk. The record
// is written to the two files in turn, so that a write the power cuts short
// leaves the one before it whole. A run holds its files open without sharing
// writes, which tells other runs that they are not left behind.
#include <windows.h>

#include <map>
#include <string>

#include "engine/journal.h"

class Win32JournalStore final : public JournalStore {
public:
    // Records go into `folder`, created when first needed.
    explicit Win32JournalStore(std::wstring folder);
    ~Win32JournalStore() override;
    Win32JournalStore(const Win32JournalStore&) = delete;
    Win32JournalStore& operator=(const Win32JournalStore&) = delete;

    bool Write(const JournalRecord& record) override;
    void Clear(const PathString& path) override;
    std::vector<JournalRecord> Unfinished() override;

private:
    struct Held {
        HANDLE files[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
        int next = 0;               // the file the next record goes to
        std::uint64_t sequence = 0;  // of the last record written
    };
    std::wstring BaseName(const PathString& path) const;
    void Close(Held& held);

    std::wstring folder_;
    std::map<PathString, Held> held_;
};

// %LOCALAPPDATA%\Veilfold\Journal.
std::wstring DefaultJournalFolder();
