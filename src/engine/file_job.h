#pragma once
// One file's way through a run, worked out once: its path, what the file
// system said of it, its mark and the name it takes after the transform.
// Every step of the run takes the job; none works the name out again.
#include <cstdint>

#include "engine/file_system.h"
#include "engine/folder_names.h"
#include "engine/path_text.h"

// The mark of an encrypted file's name. Its four characters hold no letter,
// so comparing without regard to case is comparing exactly.
inline constexpr PathChar kEncryptedSuffix[] = VF_PATH(".$#!");
inline constexpr std::size_t kSuffixLength = 4;

// True when the last four characters of `path` (the whole path when it is
// shorter) are the mark.
bool IsMarked(PathView path);

enum class NameChange {
    None,        // the name stays: a confirmed re-encrypt or decrypt
    Changed,     // the file takes `newName`
    Impossible,  // the new name would be too long, or nothing would be left of it
};

struct FileJob {
    PathString path;
    EntryFacts facts;
    bool marked = false;
    NameChange change = NameChange::None;
    PathString newName;
    // The names of the file's folder, when a listing found the file: they
    // answer "is the new name taken?" without asking the file system again.
    const FolderNames* folderNames = nullptr;
    // From the file once it is open; the identity only with more than one name.
    std::uint32_t links = 1;
    FileIdentity identity;
};

// The job of the file at `path` for Encrypt (`encrypt`) or Decrypt, on a
// file system that takes paths of up to `maxPathLength` characters.
FileJob MakeFileJob(PathString path, const EntryFacts& facts, bool encrypt, std::size_t maxPathLength,
                    const FolderNames* folderNames);
