#include <windows.h>
#include <shellapi.h>

#include "cli/system.h"
#include "platform/win32_file_system.h"
#include "platform/win32_journal_store.h"

namespace {

std::string Utf8(const wchar_t* text, int length) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

}  // namespace

// The wide command line: the narrow one would come in the ANSI code page,
// which cannot spell every file name.
std::vector<std::string> Utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> utf8;
    for (int n = 0; n < count; ++n) utf8.push_back(Utf8(arguments[n], lstrlenW(arguments[n])));
    LocalFree(arguments);
    return utf8;
}

OutputSetup::OutputSetup() : previous_(GetConsoleOutputCP()) {
    if (previous_) SetConsoleOutputCP(CP_UTF8);
}

// The console outlives the program: it gets its code page back.
OutputSetup::~OutputSetup() {
    if (previous_) SetConsoleOutputCP(previous_);
}

PathString ToPath(const std::string& text) {
    const int length = static_cast<int>(text.size());
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, path.data(), size);
    return path;
}

std::string FromPath(const PathString& path) { return Utf8(path.data(), static_cast<int>(path.size())); }

PathString AbsolutePath(const PathString& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

std::optional<FileIdentity> SharedIdentity(const PathString& path) {
    HANDLE file = CreateFileW(ExtendedPath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION facts;
    bool known = GetFileInformationByHandle(file, &facts);
    CloseHandle(file);
    if (!known || facts.nNumberOfLinks < 2 || (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return FileIdentity{facts.dwVolumeSerialNumber, (std::uint64_t(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow};
}

std::FILE* OpenUnbuffered(const std::string& path) {
    std::FILE* file = _wfopen(ToPath(path).c_str(), L"rb");
    if (file) std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<Win32FileSystem>(); }

std::unique_ptr<JournalStore> OpenJournal() {
    std::wstring folder = DefaultJournalFolder();
    if (folder.empty()) return nullptr;
    return std::make_unique<Win32JournalStore>(folder);
}
