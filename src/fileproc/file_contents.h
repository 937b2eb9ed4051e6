#pragma once
// The contents of one file, transformed in place through g_pBuffer under
// g_Key: the RC4 keystream from offset 0, XORed in 65535-byte blocks, each
// written back exactly where it was read. Offsets are 64-bit throughout.
#include <windows.h>

enum class ContentsResult {
    Done,        // every byte transformed
    NotFound,    // there is no such file (any more)
    CannotOpen,  // the file could not be opened for exclusive reading and writing
    Failed,      // a read or write failed part-way; the bytes already transformed were put back
};

// Transforms the whole file and keeps its last-write time, which it hands
// back in `lastWrite` for an undo.
ContentsResult TransformContents(const char* path, FILETIME& lastWrite);

// Transforms the whole file once more, which undoes TransformContents, and
// puts back `lastWrite` again. False when the file cannot be restored.
bool UndoContents(const char* path, const FILETIME& lastWrite);
