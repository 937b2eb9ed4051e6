#pragma once
// The selection: the paths the shell handed the extension objects, in its
// order. Explorer calls extension objects on several threads (one per window,
// each object in its own apartment), and all of them share the one list, so
// the list is private to selection.cpp and every access goes through these
// functions, which hold a lock. None of them throws.
#include <string>
#include <vector>

// Appends `paths` at the end of the list; the list is unchanged on failure.
// False when memory ran out.
bool AppendSelection(std::vector<std::string>&& paths) noexcept;

// Empties the list.
void ClearSelection() noexcept;

// Copies the list into `paths`. False when memory ran out.
bool CopySelection(std::vector<std::string>& paths) noexcept;
