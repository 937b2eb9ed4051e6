#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "cli/check_store.h"

namespace {

bool MakeFolder(const std::string& folder) { return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST; }

}  // namespace

std::string CheckValueLocation() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/veilfold/check";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/veilfold/check";
    return {};
}

CheckRead ReadStoredCheckValue(KeyDigest& value) {
    std::string path = CheckValueLocation();
    if (path.empty()) return CheckRead::Absent;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? CheckRead::Absent : CheckRead::Damaged;
    std::uint8_t bytes[kKeyDigestBytes + 1];
    std::size_t got = 0;
    for (ssize_t n; got < sizeof bytes && (n = read(fd, bytes + got, sizeof bytes - got)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    if (got != kKeyDigestBytes) return CheckRead::Damaged;
    std::uint8_t exact[kKeyDigestBytes];
    std::copy(bytes, bytes + kKeyDigestBytes, exact);
    value = KeyDigestFromBytes(exact);
    return CheckRead::Found;
}

// A new file renamed over the old one.
bool StoreCheckValue(const KeyDigest& value) {
    std::string path = CheckValueLocation();
    if (path.empty()) return false;
    std::string folder = path.substr(0, path.rfind('/'));
    // The config folder above ours, when missing, as the base directory rules have it.
    if (!MakeFolder(folder.substr(0, folder.rfind('/'))) || !MakeFolder(folder)) return false;
    chmod(folder.c_str(), 0700);
    std::string temporary = path + ".new";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    std::uint8_t bytes[kKeyDigestBytes];
    KeyDigestToBytes(value, bytes);
    bool written = write(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
