#include "platform/win32_file_system.h"

#include <windows.h>

namespace {

// The system's limit for an extended path is 32,767 characters. A share's
// path grows by six on the way (\\server -> \\?\UNC\server), and one more
// goes to the terminator.
constexpr std::size_t kMaxExtendedPath = 32767;
constexpr std::size_t kMaxPathLength = kMaxExtendedPath - 6 - 1;

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kExtendedUncPrefix[] = L"\\\\?\\UNC\\";

FsStatus StatusOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return FsStatus::NotFound;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return FsStatus::Exists;
    default: return FsStatus::Refused;
    }
}

FsStatus LastStatus() { return StatusOf(GetLastError()); }

std::uint64_t Join(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

EntryFacts FactsOf(DWORD attributes, DWORD reparseTag, DWORD sizeHigh, DWORD sizeLow) {
    EntryFacts facts;
    facts.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    facts.reparseTag = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? reparseTag : 0;
    facts.size = Join(sizeHigh, sizeLow);
    return facts;
}

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

class Search {
public:
    Search(const std::wstring& pattern, WIN32_FIND_DATAW& found, DWORD flags)
        : handle_(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, flags)) {}
    ~Search() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& found) { return FindNextFileW(handle_, &found) != FALSE; }

private:
    HANDLE handle_;
};

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Blocks are at most one I/O buffer long, far below what a DWORD counts.
class Win32ExclusiveFile final : public ExclusiveFile {
public:
    explicit Win32ExclusiveFile(HANDLE handle) : handle_(handle) {}

    FsStatus Size(std::uint64_t& size) override {
        LARGE_INTEGER length;
        if (!GetFileSizeEx(handle_.get(), &length)) return LastStatus();
        size = static_cast<std::uint64_t>(length.QuadPart);
        return FsStatus::Ok;
    }
    // Plain sequential calls, seeking only where the offset is not where the
    // last call left the file: an offset in an OVERLAPPED costs Wine twice
    // the time per block.
    FsStatus ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t wanted, std::size_t& got) override {
        got = 0;
        if (!SeekTo(offset)) return FsStatus::Failed;
        DWORD read = 0;
        BOOL ok = ReadFile(handle_.get(), buffer, static_cast<DWORD>(wanted), &read, nullptr);
        got = read;
        position_ += read;
        return ok ? FsStatus::Ok : FsStatus::Failed;
    }
    FsStatus WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                     std::size_t& written) override {
        written = 0;
        if (!SeekTo(offset)) return FsStatus::Failed;
        DWORD wrote = 0;
        BOOL ok = WriteFile(handle_.get(), data, static_cast<DWORD>(length), &wrote, nullptr);
        written = wrote;
        position_ += wrote;
        return ok ? FsStatus::Ok : FsStatus::Failed;
    }
    FsStatus Flush() override { return FlushFileBuffers(handle_.get()) ? FsStatus::Ok : FsStatus::Failed; }
    FsStatus Links(std::uint32_t& links, FileIdentity& identity) override {
        // Most files have one name, and then the identity is never needed:
        // the volume's serial number costs more than all else asked here.
        FILE_STANDARD_INFO standard;
        if (!GetFileInformationByHandleEx(handle_.get(), FileStandardInfo, &standard, sizeof standard))
            return FsStatus::Failed;
        links = standard.NumberOfLinks;
        if (links <= 1) return FsStatus::Ok;
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle_.get(), &info)) return FsStatus::Failed;
        identity = {info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow)};
        links = info.nNumberOfLinks;
        return FsStatus::Ok;
    }
    FsStatus LastWrite(FileTime& time) override {
        FILETIME written;
        if (!GetFileTime(handle_.get(), nullptr, nullptr, &written)) return FsStatus::Failed;
        time.ticks = Join(written.dwHighDateTime, written.dwLowDateTime);
        return FsStatus::Ok;
    }
    FsStatus SetLastWrite(const FileTime& time) override {
        FILETIME written{static_cast<DWORD>(time.ticks), static_cast<DWORD>(time.ticks >> 32)};
        return SetFileTime(handle_.get(), nullptr, nullptr, &written) ? FsStatus::Ok : FsStatus::Failed;
    }

private:
    bool SeekTo(std::uint64_t offset) {
        if (offset == position_) return true;
        LARGE_INTEGER distance;
        distance.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(handle_.get(), distance, nullptr, FILE_BEGIN)) return false;
        position_ = offset;
        return true;
    }

    Handle handle_;
    std::uint64_t position_ = 0;  // where the last call left the file pointer
};

}  // namespace

std::wstring ExtendedPath(std::wstring_view path) {
    std::wstring native(path);
    // No Windows name holds a '/': it can only be a separator.
    for (wchar_t& c : native)
        if (c == L'/') c = L'\\';
    if (native.starts_with(L"\\\\?\\") || native.starts_with(L"\\\\.\\")) return native;
    if (native.starts_with(L"\\\\")) return kExtendedUncPrefix + native.substr(2);
    bool drivePath = native.size() >= 3 && native[1] == L':' && native[2] == L'\\';
    return drivePath ? kExtendedPrefix + native : native;
}

std::size_t Win32FileSystem::MaxPathLength() const { return kMaxPathLength; }

FsStatus Win32FileSystem::Look(const PathString& path, EntryFacts& facts) {
    std::wstring extended = ExtendedPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data)) return LastStatus();
    DWORD reparseTag = 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // Only a search reports the tag; a link is described, not followed.
        WIN32_FIND_DATAW found;
        Search search(extended, found, 0);
        if (!search.found()) return LastStatus();
        reparseTag = found.dwReserved0;
    }
    facts = FactsOf(data.dwFileAttributes, reparseTag, data.nFileSizeHigh, data.nFileSizeLow);
    return FsStatus::Ok;
}

FsStatus Win32FileSystem::List(const PathString& folder, std::vector<ListedEntry>& entries) {
    std::wstring pattern = ExtendedPath(folder);
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    entries.clear();
    WIN32_FIND_DATAW found;
    Search search(pattern, found, FIND_FIRST_EX_LARGE_FETCH);
    if (!search.found()) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? FsStatus::Ok : StatusOf(error);  // an empty drive lists nothing
    }
    do {
        if (IsDotEntry(found.cFileName)) continue;
        entries.push_back({found.cFileName, FactsOf(found.dwFileAttributes, found.dwReserved0, found.nFileSizeHigh,
                                                    found.nFileSizeLow)});
    } while (search.Next(found));
    // A listing cut short would pass over the rest in silence.
    return GetLastError() == ERROR_NO_MORE_FILES ? FsStatus::Ok : FsStatus::Refused;
}

std::unique_ptr<ExclusiveFile> Win32FileSystem::OpenExclusive(const PathString& path, FsStatus& status) {
    // No sharing: nobody else may read or write the file while it is half transformed.
    HANDLE file = CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        status = LastStatus();
        if (status == FsStatus::Exists) status = FsStatus::Refused;
        return nullptr;
    }
    status = FsStatus::Ok;
    return std::make_unique<Win32ExclusiveFile>(file);
}

FsStatus Win32FileSystem::Rename(const PathString& from, const PathString& to) {
    // Without MOVEFILE_REPLACE_EXISTING: a name that is taken stays as it is.
    if (MoveFileExW(ExtendedPath(from).c_str(), ExtendedPath(to).c_str(), 0)) return FsStatus::Ok;
    FsStatus status = LastStatus();
    return status == FsStatus::Exists ? status : FsStatus::Failed;
}

PathString Win32FileSystem::FoldName(PathView name) const {
    std::wstring folded(name);
    if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}
