#pragma once
// The baseline of the walker benchmark: the same Win32 work per file, and
// nothing else. Each folder is searched once; each file is opened, read,
// written back where it was read and renamed.
#include <string>

namespace vfbench {

// Walks `root` (one level of subfolders, as the benchmark tree has) and
// gives each file the name `rename` makes of it. Returns the files handled.
int PlainLoop(const std::string& root, std::string (*rename)(const std::string&));

}  // namespace vfbench
