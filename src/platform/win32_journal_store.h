#pragma once
// The journal on Win32: under %LOCALAPPDATA%\Veilfold\Journal, one pair of
// files per run, each record flushed to the disk, the files kept open for the whole
// run, so that a file in hand costs one write, not files made and deleted.
// The record goes to the two files in turn: a write the power cuts short
// leaves the one before it whole. A run holds its pair without sharing
// writes, which tells other runs that it is not theirs to finish.
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

    bool WriteAll(std::span<const JournalRecord> records) override;
    void Clear(const PathString& path) override;
    std::vector<JournalRecord> Unfinished() override;

private:
    bool OpenPair();
    void Release(const PathString& path);

    std::wstring folder_;
    std::wstring base_;  // this run's pair: base_ + ".a.vfj", base_ + ".b.vfj"
    HANDLE files_[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    int next_ = 0;                     // the file the next set goes to
    std::uint64_t sequence_ = 0;       // of the last set written
    std::vector<JournalRecord> held_;  // what the pair holds
    // Pairs of ended runs, by base name, with what each holds: a record goes
    // once its file is whole, or once this run's record for it supersedes it,
    // and the pair once it holds none.
    std::map<std::wstring, LeftRecords> left_;
};

// %LOCALAPPDATA%\Veilfold\Journal.
std::wstring DefaultJournalFolder();
