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

}  // namespace

std::wstring DefaultJournalFolder() {
    wchar_t local[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"";
    return std::wstring(local) + L"\\Veilfold\\Journal";
}

Win32JournalStore::Win32JournalStore(std::wstring folder) : folder_(std::move(folder)) {}

Win32JournalStore::~Win32JournalStore() {
    bool empty = holding_.empty();
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

bool Win32JournalStore::Truncate() {
    bool ok = true;
    LARGE_INTEGER start{};
    for (HANDLE file : files_) ok = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file) && ok;
    return ok;
}

bool Win32JournalStore::Write(const JournalRecord& record) {
    if (!OpenPair()) return false;
    // A record of another file replaces none: the pair holds one at a time.
    if (!record.path.empty() && record.path != holding_ && !holding_.empty() && !Truncate()) return false;
    JournalRecord numbered = record;
    numbered.sequence = ++sequence_;
    std::vector<std::uint8_t> bytes = EncodeRecord(numbered);
    HANDLE file = files_[next_];
    next_ = 1 - next_;
    LARGE_INTEGER start{};
    DWORD written = 0;
    bool ok = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && SetEndOfFile(file) &&
              // Flushed, not written through: Wine opens a write-through file
              // as any other, and a record must be on the disk before the
              // bytes it speaks for change.
              FlushFileBuffers(file);
    if (!ok) return false;
    holding_ = record.path;
    // This run's record now speaks for the file: an ended run's goes.
    auto left = left_.find(record.path);
    if (left != left_.end()) {
        DeletePair(left->second);
        left_.erase(left);
    }
    return true;
}

void Win32JournalStore::Clear(const PathString& path) {
    // A record with no path says "nothing in hand": one flushed write, where
    // emptying both files would take two.
    if (path == holding_ && Write(JournalRecord{})) holding_.clear();
    auto left = left_.find(path);
    if (left != left_.end()) {
        DeletePair(left->second);
        left_.erase(left);
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
        JournalRecord record;
        if (!NewestRecord(bytes, record) || record.path.empty()) {
            DeletePair(base);  // a run that ended with its file whole, or was killed before its first record
            continue;
        }
        left_[record.path] = base;
        unfinished.push_back(std::move(record));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return unfinished;
}
