#pragma once
// The baseline of the walker benchmark: the same Win32 work per file, and
// nothing else. Each folder is searched once; each file is opened, read and
// written back block by block where it was read, and renamed. With `flush`,
// each file also goes to disk before its rename, as a run's must for a crash
// to leave no half-done file: what the disk allows at best.
#include <string>

namespace vfbench {

// Walks `root` (one level of subfolders, as the benchmark tree has) and
// gives each file the name `rename` makes of it. Returns the files handled.
int PlainLoop(const std::string& root, std::string (*rename)(const std::string&), bool flush = false);

}  // namespace vfbench
