#pragma once
// TransformFile for a file that a folder search has just listed.
#include <windows.h>

#include "fileproc/folder_names.h"

// As TransformFile, with what the search found standing in for looking the
// file up again: `attributes` as listed, and `names` (every name in the
// folder) answering whether the file's new name is taken. A change since the
// search is still caught: a vanished file cannot be opened, and a name taken
// since makes the rename fail, after which the contents are put back.
int TransformListedFile(const char* path, DWORD attributes, int encrypt, const FolderNames& names);
