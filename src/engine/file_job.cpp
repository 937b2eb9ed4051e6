#include "engine/file_job.h"

#include <algorithm>
#include <utility>

bool IsMarked(PathView path) {
    PathView suffix = path.size() > kSuffixLength ? path.substr(path.size() - kSuffixLength) : path;
    return suffix == kEncryptedSuffix;
}

FileJob MakeFileJob(PathString path, const EntryFacts& facts, bool encrypt, std::size_t maxPathLength,
                    const FolderNames* folderNames) {
    FileJob job;
    job.marked = IsMarked(path);
    if (encrypt && !job.marked) {
        job.newName = path + kEncryptedSuffix;
        job.change = job.newName.size() > maxPathLength ? NameChange::Impossible : NameChange::Changed;
    } else if (!encrypt && job.marked) {
        job.newName = path.substr(0, path.size() - std::min(path.size(), kSuffixLength));
        // A name that is only the mark would leave a folder's path, or nothing.
        bool nothingLeft = LeafName(path).size() <= kSuffixLength;
        job.change = nothingLeft ? NameChange::Impossible : NameChange::Changed;
    }
    job.path = std::move(path);
    job.facts = facts;
    job.folderNames = folderNames;
    return job;
}
