#pragma once
// Turns one selected path into file transforms: a file directly, a folder
// depth first (its files in search order, then its subfolders).

// Returns 1 to go on with the next selected path, 0 to stop the run.
int WalkPath(const char* path, int encrypt);

// Returns 1 when the folder's tree was processed or passed over, 0 to stop.
int WalkDirectory(const char* path, int encrypt);
