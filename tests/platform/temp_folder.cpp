#include "temp_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace vftest {

namespace {

int RemoveEntry(const char* path, const struct stat*, int type, FTW*) {
    return type == FTW_DP ? rmdir(path) : unlink(path);
}

// A test may leave a folder unreadable: every folder is opened up first.
int OpenUp(const char* path, const struct stat*, int type, FTW*) {
    if (type == FTW_D || type == FTW_DNR) chmod(path, 0700);
    return 0;
}

void Walk(const std::string& root, const std::string& relative, std::map<std::string, std::string>& entries) {
    std::string path = relative.empty() ? root : root + "/" + relative;
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) throw std::runtime_error("lstat " + path);
    std::ostringstream text;
    text << std::oct << (status.st_mode & 07777) << std::dec << " ";
    // A folder's own time changes with the names in it.
    if (!S_ISDIR(status.st_mode)) text << "@" << status.st_mtim.tv_sec << "." << status.st_mtim.tv_nsec << " ";
    if (S_ISLNK(status.st_mode)) {
        char target[4096];
        ssize_t length = readlink(path.c_str(), target, sizeof target);
        text << "link " << std::string(target, length > 0 ? static_cast<std::size_t>(length) : 0);
    } else if (S_ISREG(status.st_mode)) {
        text << "file " << ReadFile(path);
    } else if (S_ISDIR(status.st_mode)) {
        text << "folder";
        std::vector<std::string> names;
        DIR* listing = opendir(path.c_str());
        while (const dirent* entry = listing ? readdir(listing) : nullptr) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        if (listing) closedir(listing);
        for (const std::string& name : names) Walk(root, relative.empty() ? name : relative + "/" + name, entries);
    }
    entries[relative.empty() ? "." : relative] = text.str();
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && base[0] == '/' ? base : "/tmp") + "/vf-platform-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    nftw(path_.c_str(), OpenUp, 16, FTW_PHYS);
    nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void SetMtime(const std::string& path, std::int64_t nanoseconds) {
    std::int64_t seconds = nanoseconds / 1000000000, rest = nanoseconds % 1000000000;
    if (rest < 0) rest += 1000000000, --seconds;
    struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), static_cast<long>(rest)}};
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("utimensat " + path);
}

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    Walk(root, "", entries);
    return entries;
}

}  // namespace vftest
