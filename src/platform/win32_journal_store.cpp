#include "platform/win32_journal_store.h"

#include <cstdio>

#include "platform/win32_file_system.h"

namespace {

constexpr wchar_t kSuffixes[2][7] = {L".a.vfj", L".b.vfj"};
constexpr std::size_t kSuffixLength = 6;

bool ReadWhole(HANDLE file, std::vector<std::uint8_t>& bytes) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > (64 << 20)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
}

void DeletePair(const std::wstring& base) {
    for (const wchar_t* suffix : kSuffixes) DeleteFileW(ExtendedPath(base + suffix).c_str());
}

bool WriteCopy(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    LARGE_INTEGER start{};
    DWORD written = 0;
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && SetEndOfFile(file) &&
           // Flushed, not written through: Wine opens a write-through file
           // as any other, and a record must be on the disk before the
           // bytes it speaks for change.
           FlushFileBuffers(file);
}

// An ended run's pair with fewer records: both copies, one after the other,
// so that a write cut short leaves the other whole.
void RewritePair(const std::wstring& base, const LeftRecords& left) {
    std::vector<std::uint8_t> bytes = EncodeRecords(left.records, left.sequence);
    for (const wchar_t* suffix : kSuffixes) {
        HANDLE file = CreateFileW(ExtendedPath(base + suffix).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        WriteCopy(file, bytes);
        CloseHandle(file);
    }
}

}  // namespace

std::wstring DefaultJournalFolder() {
    wchar_t local[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"";
    return std::wstring(local) + L"\\Veilfold\\Journal";
}

Win32JournalStore::Win32JournalStore(std::wstring folder) : folder_(std::move(folder)) {}

Win32JournalStore::~Win32JournalStore() {
    bool empty = held_.empty();
    for (HANDLE file : files_)
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    // A pair that still holds a record stays for the next run to finish.
    if (files_[0] != INVALID_HANDLE_VALUE && empty) DeletePair(base_);
}

bool Win32JournalStore::OpenPair() {
    if (files_[0] != INVALID_HANDLE_VALUE) return true;
    if (folder_.empty()) return false;
    CreateDirectoryW(ExtendedPath(folder_.substr(0, folder_.find_last_of(L'\\'))).c_str(), nullptr);
    CreateDirectoryW(ExtendedPath(folder_).c_str(), nullptr);
    // Named after this process and the moment: no two live runs share a pair.
    static LONG s_runs;
    wchar_t name[64];
    std::swprintf(name, 64, L"%08lx-%016llx-%08lx", GetCurrentProcessId(),
                  static_cast<unsigned long long>(GetTickCount64()), InterlockedIncrement(&s_runs));
    base_ = folder_ + L"\\" + name;
    for (int n = 0; n < 2; ++n) {
        // Others may read it, to see that it is not theirs to finish; nobody may write it.
        files_[n] = CreateFileW(ExtendedPath(base_ + kSuffixes[n]).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (files_[0] != INVALID_HANDLE_VALUE && files_[1] != INVALID_HANDLE_VALUE) return true;
    for (HANDLE& file : files_) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    DeletePair(base_);
    return false;
}

bool Win32JournalStore::WriteAll(std::span<const JournalRecord> records) {
    if (!OpenPair()) return false;
    // The copy left alone holds the set before: should this write be cut
    // short, it still speaks for every file this run has in hand.
    std::vector<std::uint8_t> bytes = EncodeRecords(records, ++sequence_);
    HANDLE file = files_[next_];
    next_ = 1 - next_;
    if (!WriteCopy(file, bytes)) return false;
    held_.assign(records.begin(), records.end());
    // This run's records now speak for their files: an ended run's go.
    for (const JournalRecord& record : records) Release(record.path);
    return true;
}

void Win32JournalStore::Clear(const PathString& path) {
    std::vector<JournalRecord> rest = held_;
    if (DropRecord(rest, path)) WriteAll(rest);
    Release(path);
}

void Win32JournalStore::Release(const PathString& path) {
    for (auto left = left_.begin(); left != left_.end();) {
        if (!DropRecord(left->second.records, path)) {
            ++left;
        } else if (left->second.records.empty()) {
            DeletePair(left->first);
            left = left_.erase(left);
        } else {
            ++left->second.sequence;
            RewritePair(left->first, left->second);
            ++left;
        }
    }
}

std::vector<JournalRecord> Win32JournalStore::Unfinished() {
    std::vector<JournalRecord> unfinished;
    if (folder_.empty()) return unfinished;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(ExtendedPath(folder_ + L"\\*.a.vfj").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return unfinished;
    do {
        std::wstring name = found.cFileName;
        std::wstring base = folder_ + L"\\" + name.substr(0, name.size() - kSuffixLength);
        if (base == base_) continue;
        std::vector<std::uint8_t> bytes[2];
        bool free = true;
        for (int n = 0; n < 2; ++n) {
            // Without sharing writes: fails while a run still holds the pair.
            HANDLE file = CreateFileW(ExtendedPath(base + kSuffixes[n]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                free = free && GetLastError() != ERROR_SHARING_VIOLATION;
                continue;
            }
            ReadWhole(file, bytes[n]);
            CloseHandle(file);
        }
        if (!free) continue;
        LeftRecords left;
        if (!NewestRecords(bytes, left.records) || left.records.empty()) {
            DeletePair(base);  // a run that ended with its files whole, or was killed before its first record
            continue;
        }
        left.sequence = left.records.front().sequence;
        unfinished.insert(unfinished.end(), left.records.begin(), left.records.end());
        left_[base] = std::move(left);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return unfinished;
}
