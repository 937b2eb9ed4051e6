#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#ifdef __linux__
#include <sys/syscall.h>
#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#endif

#ifdef __APPLE__
#define VF_MTIME(st) (st).st_mtimespec
#else
#define VF_MTIME(st) (st).st_mtim
#endif

namespace {

constexpr std::int64_t kNanosPerSecond = 1000000000;

FsStatus StatusOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG: return FsStatus::NotFound;
    case EEXIST:
    case ENOTEMPTY: return FsStatus::Exists;
    default: return FsStatus::Refused;
    }
}

FsStatus LastStatus() { return StatusOf(errno); }

// The owner's write bit, the counterpart of Windows' read-only attribute:
// what chmod a-w sets and what the user sees. Unlike access(W_OK) it does
// not depend on who asks (root may write anything), so a run's answer for a
// file is the same for every user, and it costs no further call per entry.
// A file the user may not write for other reasons fails to open instead.
EntryFacts FactsOf(const struct stat& status) {
    EntryFacts facts;
    facts.folder = S_ISDIR(status.st_mode);
    facts.readOnly = (status.st_mode & S_IWUSR) == 0;
    // A link to a folder is not a folder here: it is described, not followed.
    facts.reparseTag = S_ISLNK(status.st_mode) ? kReparseTagSymlink : 0;
    facts.size = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    return facts;
}

bool IsDotEntry(const char* name) { return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')); }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

class PosixExclusiveFile final : public ExclusiveFile {
public:
    explicit PosixExclusiveFile(int fd) : fd_(fd) {}

    FsStatus Size(std::uint64_t& size) override {
        struct stat status;
        if (fstat(fd_.get(), &status) != 0) return FsStatus::Failed;
        size = static_cast<std::uint64_t>(status.st_size);
        return FsStatus::Ok;
    }
    // Short only at the end of the file.
    FsStatus ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t wanted, std::size_t& got) override {
        got = 0;
        while (got < wanted) {
            ssize_t read = pread(fd_.get(), buffer + got, wanted - got, static_cast<off_t>(offset + got));
            if (read < 0 && errno == EINTR) continue;
            if (read < 0) return FsStatus::Failed;
            if (read == 0) break;
            got += static_cast<std::size_t>(read);
        }
        return FsStatus::Ok;
    }
    FsStatus WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                     std::size_t& written) override {
        written = 0;
        while (written < length) {
            ssize_t wrote = pwrite(fd_.get(), data + written, length - written, static_cast<off_t>(offset + written));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return FsStatus::Failed;
            written += static_cast<std::size_t>(wrote);
        }
        return FsStatus::Ok;
    }
    // The last-write time is not synced here: the journal puts it back.
    FsStatus Flush() override { return SyncFile(fd_.get()) ? FsStatus::Ok : FsStatus::Failed; }
    FsStatus Links(std::uint32_t& links, FileIdentity& identity) override {
        struct stat status;
        if (fstat(fd_.get(), &status) != 0) return FsStatus::Failed;
        links = static_cast<std::uint32_t>(status.st_nlink);
        identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
        return FsStatus::Ok;
    }
    FsStatus LastWrite(FileTime& time) override {
        struct stat status;
        if (fstat(fd_.get(), &status) != 0) return FsStatus::Failed;
        return TicksOf(VF_MTIME(status).tv_sec, VF_MTIME(status).tv_nsec, time.ticks) ? FsStatus::Ok : FsStatus::Failed;
    }
    FsStatus SetLastWrite(const FileTime& time) override {
        std::int64_t seconds = 0;
        long nanoseconds = 0;
        TimeOf(time.ticks, seconds, nanoseconds);
        struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
        return futimens(fd_.get(), times) == 0 ? FsStatus::Ok : FsStatus::Failed;
    }

private:
    Descriptor fd_;
};

// Renames where the system can refuse a taken name itself; false when this
// file system cannot (errno EINVAL, ENOSYS or ENOTSUP).
bool RenameNoReplace(const PathString& from, const PathString& to) {
#if defined(__linux__) && defined(SYS_renameat2)
    return syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
#elif defined(__APPLE__)
    return renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0;
#else
    errno = ENOSYS;
    return false;
#endif
}

bool Unsupported(int error) { return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP; }

}  // namespace

FsStatus RenameByLink(const PathString& from, const PathString& to) {
    struct stat status;
    if (lstat(from.c_str(), &status) != 0) return FsStatus::Failed;
    if (S_ISDIR(status.st_mode)) return FsStatus::Failed;
    if (link(from.c_str(), to.c_str()) == 0) {
        if (unlink(from.c_str()) == 0) return FsStatus::Ok;
        unlink(to.c_str());
        return FsStatus::Failed;
    }
    if (errno == EEXIST) return FsStatus::Exists;
    if (errno != EPERM && !Unsupported(errno)) return FsStatus::Failed;
    // Neither call exists here (some FAT and network file systems): the
    // name is looked at first, leaving a window in which another program
    // could take it.
    if (lstat(to.c_str(), &status) == 0) return FsStatus::Exists;
    if (errno != ENOENT) return FsStatus::Failed;
    return rename(from.c_str(), to.c_str()) == 0 ? FsStatus::Ok : FsStatus::Failed;
}

bool TicksOf(std::int64_t seconds, long nanoseconds, std::uint64_t& ticks) {
    constexpr std::int64_t kLimit = INT64_MAX / kNanosPerSecond - 1;
    if (seconds > kLimit || seconds < -kLimit) return false;
    ticks = static_cast<std::uint64_t>(seconds * kNanosPerSecond + nanoseconds);
    return true;
}

void TimeOf(std::uint64_t ticks, std::int64_t& seconds, long& nanoseconds) {
    std::int64_t total = static_cast<std::int64_t>(ticks);
    seconds = total / kNanosPerSecond;
    std::int64_t rest = total % kNanosPerSecond;
    if (rest < 0) {
        rest += kNanosPerSecond;
        --seconds;
    }
    nanoseconds = static_cast<long>(rest);
}

std::string ContainingFolder(const std::string& path) {
    std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return "/";
    std::size_t separator = path.find_last_of('/', end);
    if (separator == std::string::npos) return ".";
    std::size_t folderEnd = path.find_last_not_of('/', separator);
    return folderEnd == std::string::npos ? "/" : path.substr(0, folderEnd + 1);
}

bool SyncFile(int fd) {
#ifdef __APPLE__
    // fsync leaves the data in the drive's cache; F_FULLFSYNC reaches the
    // medium, where the file system supports it.
    if (fcntl(fd, F_FULLFSYNC) == 0) return true;
    return fsync(fd) == 0;
#else
    return fdatasync(fd) == 0;
#endif
}

bool SyncFolder(const std::string& folder) {
    Descriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && SyncFile(fd.get());
}

// PATH_MAX counts the terminator.
std::size_t PosixFileSystem::MaxPathLength() const { return PATH_MAX - 1; }

FsStatus PosixFileSystem::Look(const PathString& path, EntryFacts& facts) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) return LastStatus();
    facts = FactsOf(status);
    return FsStatus::Ok;
}

FsStatus PosixFileSystem::List(const PathString& folder, std::vector<ListedEntry>& entries) {
    entries.clear();
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link, never followed, fails as ENOTDIR or ELOOP: it is there, but not to be listed.
        struct stat status;
        bool missing = errno == ENOENT || (errno == ENOTDIR && lstat(folder.c_str(), &status) != 0);
        return missing ? FsStatus::NotFound : FsStatus::Refused;
    }
    DIR* listing = fdopendir(fd);
    if (!listing) {
        close(fd);
        return FsStatus::Refused;
    }
    FsStatus result = FsStatus::Ok;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(listing);
        if (!entry) {
            // A listing cut short would pass over the rest in silence.
            if (errno != 0) result = FsStatus::Refused;
            break;
        }
        if (IsDotEntry(entry->d_name)) continue;
        struct stat status;
        if (fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) continue;  // gone since the listing read it
            result = FsStatus::Refused;
            break;
        }
        entries.push_back({entry->d_name, FactsOf(status)});
    }
    closedir(listing);
    if (result != FsStatus::Ok) entries.clear();
    return result;
}

std::unique_ptr<ExclusiveFile> PosixFileSystem::OpenExclusive(const PathString& path, FsStatus& status) {
    // O_NONBLOCK: a FIFO or device must not hold the open up; anything but a
    // regular file is refused below.
    Descriptor fd(open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        status = LastStatus();
        if (status != FsStatus::NotFound) status = FsStatus::Refused;  // ELOOP: a link
        return nullptr;
    }
    struct stat facts;
    status = FsStatus::Refused;
    if (fstat(fd.get(), &facts) != 0 || !S_ISREG(facts.st_mode)) return nullptr;
    int flags = fcntl(fd.get(), F_GETFL);
    if (flags < 0 || fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    // The lock goes with the descriptor: closed, or the process gone, it is free.
    while (flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        if (errno != EINTR) return nullptr;
    status = FsStatus::Ok;
    return std::make_unique<PosixExclusiveFile>(fd.release());
}

FsStatus PosixFileSystem::Rename(const PathString& from, const PathString& to) {
    FsStatus status = FsStatus::Ok;
    if (!RenameNoReplace(from, to)) {
        if (errno == EEXIST) return FsStatus::Exists;
        if (!Unsupported(errno)) return FsStatus::Failed;
        status = RenameByLink(from, to);
        if (status != FsStatus::Ok) return status;
    }
    // The rename is done whatever this says: a folder that cannot be synced
    // (some file systems refuse) leaves it as durable as the system makes it.
    std::string toFolder = ContainingFolder(to);
    std::string fromFolder = ContainingFolder(from);
    SyncFolder(toFolder);
    if (fromFolder != toFolder) SyncFolder(fromFolder);
    return FsStatus::Ok;
}

PathString PosixFileSystem::FoldName(PathView name) const { return PathString(name); }
