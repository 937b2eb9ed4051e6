#include "platform/win32_journal_store.h"

#include <cstdio>

#include "platform/win32_file_system.h"

namespace {

constexpr wchar_t kSuffixes[2][7] = {L".a.vfj", L".b.vfj"};

bool ReadWhole(HANDLE file, std::vector<std::uint8_t>& bytes) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > (64 << 20)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                             got == bytes.size());
}

// The newest whole record of a pair, or false.
bool NewestOf(const std::vector<std::uint8_t> (&bytes)[2], JournalRecord& newest) {
    bool found = false;
    for (const std::vector<std::uint8_t>& one : bytes) {
        JournalRecord record;
        if (!DecodeRecord(one, record) || (found && record.sequence <= newest.sequence)) continue;
        newest = std::move(record);
        found = true;
    }
    return found;
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
    for (auto& [path, held] : held_) Close(held);
}

std::wstring Win32JournalStore::BaseName(const PathString& path) const {
    // Named after the file, folded as the file system compares names.
    PathString folded = Win32FileSystem().FoldName(path);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(folded.data());
    std::size_t size = folded.size() * sizeof(wchar_t);
    std::uint32_t first = SectorHash(bytes, size);
    folded += L'#';
    std::uint32_t second = SectorHash(reinterpret_cast<const std::uint8_t*>(folded.data()), size + sizeof(wchar_t));
    wchar_t name[24];
    std::swprintf(name, 24, L"%08x%08x", first, second);
    return folder_ + L"\\" + name;
}

void Win32JournalStore::Close(Held& held) {
    for (HANDLE& file : held.files) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
}

bool Win32JournalStore::Write(const JournalRecord& record) {
    if (folder_.empty()) return false;
    Held& held = held_[record.path];
    if (held.files[0] == INVALID_HANDLE_VALUE) {
        CreateDirectoryW(ExtendedPath(folder_.substr(0, folder_.find_last_of(L'\\'))).c_str(), nullptr);
        CreateDirectoryW(ExtendedPath(folder_).c_str(), nullptr);
        std::wstring base = BaseName(record.path);
        for (int n = 0; n < 2; ++n) {
            // Others may read it, to see that it is not theirs to finish; nobody may write it.
            held.files[n] = CreateFileW(ExtendedPath(base + kSuffixes[n]).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr);
        }
        if (held.files[0] == INVALID_HANDLE_VALUE || held.files[1] == INVALID_HANDLE_VALUE) {
            Close(held);
            held_.erase(record.path);
            return false;
        }
    }
    JournalRecord numbered = record;
    numbered.sequence = ++held.sequence;
    std::vector<std::uint8_t> bytes = EncodeRecord(numbered);
    HANDLE file = held.files[held.next];
    held.next = 1 - held.next;
    LARGE_INTEGER start{};
    DWORD written = 0;
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && SetEndOfFile(file);
}

void Win32JournalStore::Clear(const PathString& path) {
    auto found = held_.find(path);
    if (found != held_.end()) {
        Close(found->second);
        held_.erase(found);
    }
    std::wstring base = BaseName(path);
    for (const wchar_t* suffix : kSuffixes) DeleteFileW(ExtendedPath(base + suffix).c_str());
}

std::vector<JournalRecord> Win32JournalStore::Unfinished() {
    std::vector<JournalRecord> unfinished;
    if (folder_.empty()) return unfinished;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(ExtendedPath(folder_ + L"\\*.a.vfj").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return unfinished;
    do {
        std::wstring name = found.cFileName;
        std::wstring base = folder_ + L"\\" + name.substr(0, name.size() - 6);
        std::vector<std::uint8_t> bytes[2];
        bool free = true;
        for (int n = 0; n < 2; ++n) {
            // Without sharing writes: fails while a run still holds the pair.
            HANDLE file = CreateFileW(ExtendedPath(base + kSuffixes[n]).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                free = free && GetLastError() != ERROR_SHARING_VIOLATION;
                continue;
            }
            ReadWhole(file, bytes[n]);
            CloseHandle(file);
        }
        JournalRecord record;
        if (free && NewestOf(bytes, record) && !held_.count(record.path)) unfinished.push_back(std::move(record));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return unfinished;
}
