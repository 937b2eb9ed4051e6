#include "cli/status.h"

#include <cstdio>
#include <set>

#include "cli/system.h"
#include "engine/file_job.h"

namespace {

struct Found {
    std::vector<std::string> marked, plain, passedOver, missing;
};

// Walked as a run walks: `path` is looked at on the file system, `shown`
// is how the user spelled it.
class Walker {
public:
    explicit Walker(Found& found) : fileSystem_(MakeFileSystem()), found_(found) {}

    void Walk(const PathString& path, const std::string& shown, bool selected) {
        EntryFacts facts;
        if (fileSystem_->Look(path, facts) == FsStatus::Ok)
            Walk(path, shown, facts, selected);
        else
            found_.missing.push_back(shown);
    }

private:
    void Walk(const PathString& path, const std::string& shown, const EntryFacts& facts, bool selected) {
        if (IsLinkTag(facts.reparseTag) || (facts.folder && !selected && LeafName(path).starts_with(VF_PATH('.')))) {
            found_.passedOver.push_back(shown);
        } else if (!facts.folder) {
            // A file with several names is one file, counted under the first met.
            std::optional<FileIdentity> identity = SharedIdentity(path);
            if (!identity || seen_.insert(*identity).second)
                (PathView(path).ends_with(kEncryptedSuffix) ? found_.marked : found_.plain).push_back(shown);
        } else {
            WalkFolder(path, shown);
        }
    }

    void WalkFolder(const PathString& path, const std::string& shown) {
        std::vector<ListedEntry> entries;
        if (fileSystem_->List(path, entries) != FsStatus::Ok) {
            found_.missing.push_back(shown);
            return;
        }
        // Its files (and links) first, then each of its folders, as a run goes.
        auto isFolder = [](const ListedEntry& entry) {
            return entry.facts.folder && !IsLinkTag(entry.facts.reparseTag);
        };
        for (const ListedEntry& entry : entries)
            if (!isFolder(entry)) Walk(ChildPath(path, entry.name), Child(shown, entry.name), entry.facts, false);
        for (const ListedEntry& entry : entries)
            if (isFolder(entry)) Walk(ChildPath(path, entry.name), Child(shown, entry.name), entry.facts, false);
    }

    static std::string Child(const std::string& shown, const PathString& name) {
        std::string child = shown;
        if (child.empty() || child.back() != static_cast<char>(kPathSeparator))
            child += static_cast<char>(kPathSeparator);
        return child + FromPath(name);
    }

    std::unique_ptr<FileSystem> fileSystem_;
    Found& found_;
    std::set<FileIdentity> seen_;
};

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
    Walker walker(found);
    for (const std::string& path : paths) walker.Walk(AbsolutePath(ToPath(path)), path, true);
    std::vector<JournalRecord> unfinished;
    if (std::unique_ptr<JournalStore> journal = OpenJournal()) unfinished = journal->Unfinished();

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
            JsonString(FromPath(record.path));
            std::printf(", \"new_name\": ");
            JsonString(FromPath(record.newName));
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
            std::printf("unfinished   %s (%s, %llu of %llu bytes done)\n", FromPath(record.path).c_str(),
                        record.encrypt ? "encrypting" : "decrypting", static_cast<unsigned long long>(record.reached),
                        static_cast<unsigned long long>(record.regionEnd));
        std::printf("%zu encrypted, %zu plain, %zu unfinished\n", found.marked.size(), found.plain.size(),
                    unfinished.size());
    }
    for (const std::string& path : found.missing) std::fprintf(stderr, "veilfold: %s: cannot read it\n", path.c_str());
    return found.missing.empty() ? 0 : 1;
}
