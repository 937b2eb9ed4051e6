#include "cli/check_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

bool MakeFolder(const std::string& folder) { return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST; }

}  // namespace

std::string CheckValuePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/veilfold/check";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/veilfold/check";
    return {};
}

CheckRead ReadCheckValue(const std::string& path, KeyDigest& value) {
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

bool WriteCheckValue(const std::string& path, const KeyDigest& value) {
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

std::optional<KeyDigest> ParseCheckValueText(const std::string& text) {
    if (text.size() != kKeyDigestTextLength) return std::nullopt;
    KeyDigest value{};
    for (std::size_t n = 0; n < text.size(); ++n) {
        char c = text[n];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value.h[n / 8] = (value.h[n / 8] << 4) | digit;
    }
    return value;
}
