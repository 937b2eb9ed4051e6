#include "paths.h"

#include <atomic>
#include <stdexcept>
#include <vector>

namespace vftest {

std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/"));
}

std::string ScreenshotDir() {
    std::string dir = ExeDir() + "\\..\\screenshots";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("TempDir: there is no usable %TEMP% folder");
    // Only a name that an earlier run left behind is worth another try: any
    // other failure (a %TEMP% that cannot be written) fails for every name.
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path_ =
            std::string(temp) + "vf-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr)) return;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("TempDir: cannot create " + path_ + " (error " + std::to_string(error) + ")");
    }
    throw std::runtime_error("TempDir: " + std::to_string(kAttempts) + " names in " + temp + " are all taken");
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

namespace {

// The wide, extended form of a path, which reaches past MAX_PATH. The system
// takes such a path literally: "." and ".." are resolved first.
std::wstring Native(const std::string& path) {
    std::wstring wide = Wide(path);
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return wide;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    return full.size() > 2 && full[1] == L':' ? L"\\\\?\\" + full : full;
}

}  // namespace

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((Native(path) + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::string child = path + "\\" + Utf8(name);
            SetFileAttributesW(Native(child).c_str(), FILE_ATTRIBUTE_NORMAL);
            // A link to a folder goes without what it leads to.
            bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (folder && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(child);
            else if (folder)
                RemoveDirectoryW(Native(child).c_str());
            else
                DeleteFileW(Native(child).c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    SetFileAttributesW(Native(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Native(path).c_str());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(Native(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileW(Native(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return ok && read == bytes.size();
}

bool FileExists(const std::string& path) { return GetFileAttributesW(Native(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace vftest
