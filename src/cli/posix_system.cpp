#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "cli/system.h"
#include "platform/posix_file_system.h"
#include "platform/posix_journal_store.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

OutputSetup::OutputSetup() {}
OutputSetup::~OutputSetup() {}

PathString ToPath(const std::string& text) { return text; }
std::string FromPath(const PathString& path) { return path; }

PathString AbsolutePath(const PathString& path) {
    // "." and ".." alone name a folder that has a name of its own.
    PathView leaf = LeafName(path);
    if (leaf == "." || leaf == ".." || leaf.empty()) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) return resolved;
    }
    if (path.starts_with('/')) return path;
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here)) return path;
    return ChildPath(here, path);
}

std::optional<FileIdentity> SharedIdentity(const PathString& path) {
    struct stat facts;
    if (lstat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode) || facts.st_nlink < 2) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(facts.st_dev), static_cast<std::uint64_t>(facts.st_ino)};
}

std::FILE* OpenUnbuffered(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (file) std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<PosixFileSystem>(); }

std::unique_ptr<JournalStore> OpenJournal() {
    std::string folder = DefaultJournalFolder();
    if (folder.empty()) return nullptr;
    return std::make_unique<PosixJournalStore>(folder);
}
