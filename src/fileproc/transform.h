#pragma once
// In-place transform of one file, and the ".$#!" naming of encrypted files.
//
// Encrypted-file format: the plain bytes XORed with the RC4 keystream of the
// 20-byte key (byte form of g_Key), from offset 0, same length, no header.
// The name is the plain name followed by ".$#!"; the last-write time is kept.

inline constexpr char kEncryptedSuffix[] = ".$#!";

// Transforms `path` in place under g_Key. encrypt: non-zero for Encrypt.
// Returns 1 to go on with the next file, 0 to stop the whole run.
int TransformFile(const char* path, int encrypt);

// Asks before re-encrypting a marked file or decrypting an unmarked one.
// Returns IDYES, IDNO or IDCANCEL (IDYES when nothing needs asking).
int ConfirmTransform(const char* path, const char* suffix, int encrypt);

// Gives a transformed file its new name (suffix added on Encrypt, removed on Decrypt).
void RenameTransformed(const char* path, const char* suffix, int encrypt);
