#include "plain_loop.h"

#include <windows.h>

#include <vector>

#include "common/state.h"

namespace vfbench {
namespace {

std::vector<std::string> Entries(const std::string& folder, bool folders) {
    std::vector<std::string> paths;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return paths;
    do {
        bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == folders && entry.cFileName[0] != '.') paths.push_back(folder + "\\" + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return paths;
}

bool RewriteInPlace(const std::string& path, bool flush) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (LONGLONG at = 0; ok;) {
        DWORD got = 0, written = 0;
        ok = ReadFile(file, g_pBuffer, kIoBufferSize, &got, nullptr);
        if (!ok || got == 0) break;
        LARGE_INTEGER back{.QuadPart = at};
        ok = SetFilePointerEx(file, back, nullptr, FILE_BEGIN) && WriteFile(file, g_pBuffer, got, &written, nullptr);
        at += got;
    }
    ok = ok && (!flush || FlushFileBuffers(file));
    CloseHandle(file);
    return ok;
}

}  // namespace

int PlainLoop(const std::string& root, std::string (*rename)(const std::string&), bool flush) {
    int handled = 0;
    for (const std::string& folder : Entries(root, true)) {
        for (const std::string& file : Entries(folder, false)) {
            if (RewriteInPlace(file, flush) && MoveFileA(file.c_str(), rename(file).c_str())) ++handled;
        }
    }
    return handled;
}

}  // namespace vfbench
