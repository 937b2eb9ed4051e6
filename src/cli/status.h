#pragma once
// `veilfold status`: the files under the paths given, marked or not, walked
// as a run walks them, and the files that ended runs left unfinished.
#include <string>
#include <vector>

// Prints to stdout; 0, or 1 when a path is missing or a folder unreadable.
int ShowStatus(const std::vector<std::string>& paths, bool json);
