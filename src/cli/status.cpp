#include "cli/status.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <set>
#include <utility>

#include "engine/file_job.h"
#include "platform/posix_journal_store.h"

namespace {

struct Found {
    std::vector<std::string> marked, plain, passedOver, missing;
};

void Walk(const std::string& path, bool selected, Found& found, std::set<std::pair<dev_t, ino_t>>& seen) {
    struct stat facts;
    if (lstat(path.c_str(), &facts) != 0) {
        found.missing.push_back(path);
        return;
    }
    if (S_ISLNK(facts.st_mode)) {
        found.passedOver.push_back(path);
    } else if (S_ISREG(facts.st_mode)) {
        // A file with several names is one file, counted under the first met.
        if (facts.st_nlink > 1 && !seen.insert({facts.st_dev, facts.st_ino}).second) return;
        (std::string_view(path).ends_with(kEncryptedSuffix) ? found.marked : found.plain).push_back(path);
    } else if (S_ISDIR(facts.st_mode)) {
        std::string_view leaf = LeafName(path);
        if (!selected && leaf.starts_with('.')) {
            found.passedOver.push_back(path);
            return;
        }
        DIR* listing = opendir(path.c_str());
        if (!listing) {
            found.missing.push_back(path);
            return;
        }
        std::vector<std::string> files, folders;
        while (const dirent* entry = readdir(listing)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string child = ChildPath(path, name);
            struct stat childFacts;
            bool folder =
                entry->d_type == DT_DIR ||
                (entry->d_type == DT_UNKNOWN && lstat(child.c_str(), &childFacts) == 0 && S_ISDIR(childFacts.st_mode));
            (folder ? folders : files).push_back(child);
        }
        closedir(listing);
        for (const std::string& file : files) Walk(file, false, found, seen);
        for (const std::string& folder : folders) Walk(folder, false, found, seen);
    }
}

void JsonString(const std::string& text) {
    std::putchar('"');
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            std::printf("\\%c", c);
        else if (c < 0x20)
            std::printf("\\u%04x", c);
        else
            std::putchar(c);
    }
    std::putchar('"');
}

void JsonList(const char* name, const std::vector<std::string>& items) {
    std::printf("  \"%s\": [", name);
    for (std::size_t n = 0; n < items.size(); ++n) {
        std::printf(n ? ", " : "");
        JsonString(items[n]);
    }
    std::printf("],\n");
}

}  // namespace

int ShowStatus(const std::vector<std::string>& paths, bool json) {
    Found found;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::string& path : paths) Walk(path, true, found, seen);
    std::string journalFolder = DefaultJournalFolder();
    PosixJournalStore journal(journalFolder);
    std::vector<JournalRecord> unfinished = journal.Unfinished();

    if (json) {
        std::printf("{\n");
        JsonList("marked", found.marked);
        JsonList("plain", found.plain);
        JsonList("passed_over", found.passedOver);
        JsonList("missing", found.missing);
        std::printf("  \"unfinished\": [");
        for (std::size_t n = 0; n < unfinished.size(); ++n) {
            const JournalRecord& record = unfinished[n];
            std::printf("%s\n    {\"path\": ", n ? "," : "");
            JsonString(record.path);
            std::printf(", \"new_name\": ");
            JsonString(record.newName);
            std::printf(", \"operation\": \"%s\", \"done\": %llu, \"size\": %llu}",
                        record.encrypt ? "encrypt" : "decrypt", static_cast<unsigned long long>(record.reached),
                        static_cast<unsigned long long>(record.regionEnd));
        }
        std::printf("%s]\n}\n", unfinished.empty() ? "" : "\n  ");
    } else {
        for (const std::string& path : found.marked) std::printf("encrypted    %s\n", path.c_str());
        for (const std::string& path : found.plain) std::printf("plain        %s\n", path.c_str());
        for (const std::string& path : found.passedOver) std::printf("passed over  %s\n", path.c_str());
        for (const JournalRecord& record : unfinished)
            std::printf("unfinished   %s (%s, %llu of %llu bytes done)\n", record.path.c_str(),
                        record.encrypt ? "encrypting" : "decrypting", static_cast<unsigned long long>(record.reached),
                        static_cast<unsigned long long>(record.regionEnd));
        std::printf("%zu encrypted, %zu plain, %zu unfinished\n", found.marked.size(), found.plain.size(),
                    unfinished.size());
    }
    for (const std::string& path : found.missing) std::fprintf(stderr, "veilfold: %s: cannot read it\n", path.c_str());
    return found.missing.empty() ? 0 : 1;
}
