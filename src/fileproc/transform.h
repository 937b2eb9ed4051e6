#pragma once
// In-place transform of one file.
//
// Encrypted-file format: the plain bytes XORed with the RC4 keystream of the
// 20-byte key (byte form of g_Key), from offset 0, same length, no header.
// The name is the plain name followed by ".$#!" (kEncryptedSuffix); the
// last-write time is kept.
#include <windows.h>

class FolderNames;

// Transforms `path` in place under g_Key. encrypt: non-zero for Encrypt.
// Returns 1 to go on with the next file, 0 to stop the whole run.
int TransformFile(const char* path, int encrypt);

// As TransformFile, for a file that a folder search has just listed, with
// what the search found standing in for looking the file up again:
// `attributes` as listed, and `names` (every name in the folder) answering
// whether the file's new name is taken. A change since the search is still
// caught: a vanished file cannot be opened, and a name taken since makes the
// rename fail, after which the contents are put back.
int TransformListedFile(const char* path, DWORD attributes, int encrypt, const FolderNames& names);

// Asks before re-encrypting a marked file or decrypting an unmarked one.
// Returns IDYES, IDNO or IDCANCEL (IDYES when nothing needs asking).
int ConfirmTransform(const char* path, const char* suffix, int encrypt);
