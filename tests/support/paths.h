#pragma once
// Files of the Windows tests: private temporary folders and the build tree.
#include <windows.h>

#include <string>
#include <string_view>

namespace vftest {

// A fresh, empty folder under %TEMP%, removed with everything in it when the
// object goes. Tests create their files only inside it. Throws
// std::runtime_error, saying why, when no folder can be created.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Folder of the running test executable (the build tree's bin folder).
std::string ExeDir();
// <build>/screenshots, created on demand.
std::string ScreenshotDir();

// UTF-8 and UTF-16, both ways. The tests spell every path in UTF-8.
std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

// Small file helpers for tests. They take any name, and paths past MAX_PATH.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool FileExists(const std::string& path);
void RemoveTree(const std::string& path);

}  // namespace vftest
