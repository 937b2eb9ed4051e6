#pragma once
// The contents of one file, transformed in place: the RC4 keystream of the
// run's key from offset 0, XORed block by block through the run's buffer,
// each block written back exactly where it was read. No header, same length,
// the last-write time kept.
#include <cstdint>
#include <memory>
#include <span>

#include "crypto/sha1.h"
#include "engine/file_system.h"

class RunUser;

// What every file of a run is transformed with.
struct Keystream {
    const KeyDigest& key;
    std::span<std::uint8_t> buffer;  // one block
};

enum class ContentsResult {
    Done,         // every byte transformed, and on disk
    NotFound,     // there is no such file (any more)
    CannotOpen,   // the file could not be opened for exclusive reading and writing
    Failed,       // a read, write or flush failed part-way; the bytes already transformed were put back
    Cancelled,    // the user cancelled before half the file was done; that part was put back
    NotRestored,  // a pass failed, and so did putting the file back: part of it is transformed
};

// Opens the file for its transform; null, with NotFound or CannotOpen in
// `failure`, when it cannot be.
std::unique_ptr<ExclusiveFile> OpenForTransform(FileSystem& fileSystem, const PathString& path,
                                                ContentsResult& failure);

// Transforms the whole of the open file and flushes it, showing progress to
// `user` and taking a Cancel from it between blocks. Keeps the file's
// last-write time, which it hands back in `lastWrite` for an undo.
// `cancelled`: the run is to stop after this file, whether the file was put
// back (Cancelled) or, more than half done when the Cancel came, finished.
ContentsResult TransformContents(ExclusiveFile& file, const Keystream& keystream, RunUser& user, FileTime& lastWrite,
                                 bool& cancelled);

// Transforms the whole file once more, which undoes TransformContents, and
// puts back `lastWrite`. False when the file cannot be restored.
bool UndoContents(FileSystem& fileSystem, const PathString& path, const Keystream& keystream,
                  const FileTime& lastWrite);
