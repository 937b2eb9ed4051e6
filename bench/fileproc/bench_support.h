#pragma once
// What the file benchmark needs around the code it measures: a clock, files
// and trees of files, and the process's peak memory. Scratch folders are the
// tests' own (vftest::TempDir, vftest::RemoveTree in tests/support/paths.h).
#include <windows.h>

#include <string>
#include <vector>

namespace vfbench {

class Stopwatch {
public:
    Stopwatch();
    double Seconds() const;

private:
    LARGE_INTEGER start_;
};

// Writes `size` bytes of a pattern, one 64 KiB piece at a time, so that
// making a large file does not raise the process's peak memory.
bool MakeFile(const std::string& path, unsigned long long size);

// `folders` subfolders of `root` holding `filesPerFolder` files of `fileSize` bytes.
bool MakeTree(const std::string& root, int folders, int filesPerFolder, unsigned long long fileSize);

// Peak working set of this process so far, in bytes.
unsigned long long PeakWorkingSet();

// A visible stand-in for the progress window (file-name control and bar),
// installed as g_hwndProgress and g_hwndProgressBar while it lives.
class ProgressWindow {
public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

private:
    HWND window_;
};

}  // namespace vfbench
