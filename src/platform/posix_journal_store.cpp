#include "platform/posix_journal_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cstdlib>

#include "platform/posix_file_system.h"

namespace {

constexpr const char* kSuffixes[2] = {".a.vfj", ".b.vfj"};
constexpr std::string_view kFirstSuffix = ".a.vfj";

bool ReadWhole(int fd, std::vector<std::uint8_t>& bytes) {
    struct stat status;
    if (fstat(fd, &status) != 0 || status.st_size > (64 << 20)) return false;
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t read = pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) return false;
        got += static_cast<std::size_t>(read);
    }
    return true;
}

bool WriteWhole(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// The second file goes first: a pair is listed by its first, whose lock
// guards the deletion.
void DeletePair(const std::string& base) {
    unlink((base + kSuffixes[1]).c_str());
    unlink((base + kSuffixes[0]).c_str());
}

// A copy's whole contents, at their exact length, on the disk.
bool WriteCopy(int fd, const std::vector<std::uint8_t>& bytes) {
    return WriteWhole(fd, bytes) && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && SyncFile(fd);
}

// An ended run's pair with fewer records: both copies, one after the other,
// so that a write cut short leaves the other whole.
void RewritePair(const std::string& base, const LeftRecords& left) {
    std::vector<std::uint8_t> bytes = EncodeRecords(left.records, left.sequence);
    for (const char* suffix : kSuffixes) {
        int fd = open((base + suffix).c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        WriteCopy(fd, bytes);
        close(fd);
    }
}

bool LockExclusive(int fd, bool wait) {
    while (flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0)
        if (errno != EINTR) return false;
    return true;
}

// Whether `path` still names the file open as `fd`: another run may have
// deleted it before the lock was taken.
bool StillNamed(int fd, const std::string& path) {
    struct stat open, named;
    return fstat(fd, &open) == 0 && lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// `folder` and any folder above it that is missing, each private to the user.
bool MakeFolders(const std::string& folder) {
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        std::string part = folder.substr(0, end);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (end == std::string::npos) break;
    }
    struct stat status;
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir && user->pw_dir[0] == '/' ? user->pw_dir : "";
}

}  // namespace

std::string DefaultJournalFolder() {
    // A relative XDG_STATE_HOME is to be ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/veilfold/journal";
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/.local/state/veilfold/journal";
}

PosixJournalStore::PosixJournalStore(std::string folder) : folder_(std::move(folder)) {}

PosixJournalStore::~PosixJournalStore() {
    for (auto& [base, pair] : left_) close(pair.lock);
    if (files_[0] < 0) return;
    // A pair that still holds a record stays for the next run to finish;
    // an empty one goes while it is still locked.
    if (held_.empty()) DeletePair(base_);
    for (int fd : files_) close(fd);
}

bool PosixJournalStore::OpenPair() {
    if (files_[0] >= 0) return true;
    if (folder_.empty() || !MakeFolders(folder_)) return false;
    // Named after this process and the moment: no two live runs share a pair.
    static std::atomic<unsigned> s_runs;
    for (int attempt = 0; attempt < 4; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        char name[64];
        std::snprintf(name, sizeof name, "%08lx-%016llx-%08x", static_cast<unsigned long>(getpid()),
                      static_cast<unsigned long long>(now.tv_sec) * 1000000000ULL + now.tv_nsec, ++s_runs);
        std::string base = folder_ + "/" + name;
        for (int n = 0; n < 2; ++n)
            files_[n] = open((base + kSuffixes[n]).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        // Until it is locked, another run may take the new pair for an ended
        // one's and delete it.
        bool held = files_[0] >= 0 && files_[1] >= 0 && LockExclusive(files_[0], true) &&
                    StillNamed(files_[0], base + kSuffixes[0]) && StillNamed(files_[1], base + kSuffixes[1]);
        // The pair's names are durable before its first record.
        if (held && SyncFolder(folder_)) {
            base_ = base;
            return true;
        }
        for (int& fd : files_) {
            if (fd >= 0) close(fd);
            fd = -1;
        }
        DeletePair(base);
    }
    return false;
}

bool PosixJournalStore::WriteAll(std::span<const JournalRecord> records) {
    if (!OpenPair()) return false;
    // The copy left alone holds the set before: should this write be cut
    // short, it still speaks for every file this run has in hand.
    std::vector<std::uint8_t> bytes = EncodeRecords(records, ++sequence_);
    int fd = files_[next_];
    next_ = 1 - next_;
    if (!WriteCopy(fd, bytes)) return false;
    held_.assign(records.begin(), records.end());
    // This run's records now speak for their files: an ended run's go.
    for (const JournalRecord& record : records) Release(record.path);
    return true;
}

void PosixJournalStore::Clear(const PathString& path) {
    std::vector<JournalRecord> rest = held_;
    if (DropRecord(rest, path)) WriteAll(rest);
    Release(path);
}

void PosixJournalStore::Release(const PathString& path) {
    for (auto left = left_.begin(); left != left_.end();) {
        LeftPair& pair = left->second;
        if (!DropRecord(pair.left.records, path)) {
            ++left;
        } else if (pair.left.records.empty()) {
            DeletePair(left->first);
            close(pair.lock);
            left = left_.erase(left);
        } else {
            ++pair.left.sequence;
            RewritePair(left->first, pair.left);
            ++left;
        }
    }
}

std::vector<JournalRecord> PosixJournalStore::Unfinished() {
    std::vector<JournalRecord> unfinished;
    // Pairs taken by an earlier call are looked at afresh.
    for (auto& [base, pair] : left_) close(pair.lock);
    left_.clear();
    if (folder_.empty()) return unfinished;
    std::vector<std::string> bases;
    if (DIR* listing = opendir(folder_.c_str())) {
        while (const dirent* entry = readdir(listing)) {
            std::string_view name = entry->d_name;
            if (name.size() > kFirstSuffix.size() && name.ends_with(kFirstSuffix))
                bases.push_back(folder_ + "/" + std::string(name.substr(0, name.size() - kFirstSuffix.size())));
        }
        closedir(listing);
    }
    for (const std::string& base : bases) {
        if (base == base_) continue;
        std::string first = base + kSuffixes[0];
        int lock = open(first.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (lock < 0) continue;
        // Locked: a live run's. Held from here on, no other run finishes it.
        if (!LockExclusive(lock, false) || !StillNamed(lock, first)) {
            close(lock);
            continue;
        }
        std::vector<std::uint8_t> bytes[2];
        bool read = ReadWhole(lock, bytes[0]);
        int second = open((base + kSuffixes[1]).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (second >= 0) {
            read = ReadWhole(second, bytes[1]) && read;
            close(second);
        }
        if (!read) {  // not deleted: what could not be read now may be later
            close(lock);
            continue;
        }
        LeftRecords left;
        if (!NewestRecords(bytes, left.records) || left.records.empty()) {
            DeletePair(base);  // a run that ended with its files whole, or was killed before its first record
            close(lock);
            continue;
        }
        left.sequence = left.records.front().sequence;
        unfinished.insert(unfinished.end(), left.records.begin(), left.records.end());
        left_.emplace(base, LeftPair{std::move(left), lock});
    }
    return unfinished;
}
