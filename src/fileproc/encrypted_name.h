#pragma once
// The ".$#!" mark of an encrypted file's name, and the name a file takes
// after its transform.
#include <windows.h>

class FolderNames;

inline constexpr char kEncryptedSuffix[] = ".$#!";
inline constexpr int kSuffixLength = 4;
inline constexpr int kMaxPathLength = MAX_PATH - 1;  // 259 characters in a 260-byte buffer

// The last four characters of `path`, or the whole path when it is shorter.
void TakeSuffix(const char* path, char (&suffix)[kSuffixLength + 1]);

// True when `suffix` is ".$#!", compared without regard to case.
bool IsMarkedSuffix(const char* suffix);

enum class NewNameCheck {
    Unchanged,  // the file keeps its name (a confirmed re-encrypt or decrypt)
    Free,       // the new name fits and no file holds it
    Blocked,    // the new name would not fit, would be empty, or is taken
};

// Whether the rename that follows a transform can succeed; checked before
// the contents are touched, so a transformed file never keeps the wrong name.
// `listed`, when given, holds the names of the file's folder and is asked
// instead of the file system.
NewNameCheck CheckTransformedName(const char* path, const char* suffix, int encrypt, const FolderNames* listed);

// Renames `path` to its transformed name. True when it needed no rename or
// the rename succeeded.
bool MoveToTransformedName(const char* path, const char* suffix, int encrypt);
