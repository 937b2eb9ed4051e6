#pragma once
// A private temporary folder for one test, removed with all it holds, and
// helpers for the real files in it.
#include <cstdint>
#include <map>
#include <string>

namespace vftest {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes, or "<missing>".
std::string ReadFile(const std::string& path);
// Sets the last-write time (nanoseconds since 1970), not following a link.
void SetMtime(const std::string& path, std::int64_t nanoseconds);

// Every entry under `root` by its path from there, as a text that two
// snapshots compare by: its mode, last-write time (not a folder's) and
// contents (a link's target).
std::map<std::string, std::string> Snapshot(const std::string& root);

}  // namespace vftest
