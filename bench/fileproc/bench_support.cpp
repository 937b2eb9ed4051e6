#include "bench_support.h"

#include <commctrl.h>
#include <psapi.h>

#include "common/state.h"
#include "pattern.h"
#include "resource.h"

namespace vfbench {

Stopwatch::Stopwatch() { QueryPerformanceCounter(&start_); }

double Stopwatch::Seconds() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool MakeFile(const std::string& path, unsigned long long size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const std::string piece = vftest::Pattern(64 * 1024);  // a whole number of periods: repeats seamlessly
    bool ok = true;
    for (unsigned long long done = 0; ok && done < size; done += piece.size()) {
        DWORD wanted = static_cast<DWORD>(size - done < piece.size() ? size - done : piece.size());
        DWORD written = 0;
        ok = WriteFile(file, piece.data(), wanted, &written, nullptr) && written == wanted;
    }
    CloseHandle(file);
    return ok;
}

bool MakeTree(const std::string& root, int folders, int filesPerFolder, unsigned long long fileSize) {
    if (!CreateDirectoryA(root.c_str(), nullptr)) return false;
    for (int f = 0; f < folders; ++f) {
        std::string folder = root + "\\folder" + std::to_string(f);
        if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
        for (int n = 0; n < filesPerFolder; ++n)
            if (!MakeFile(folder + "\\file" + std::to_string(n) + ".dat", fileSize)) return false;
    }
    return true;
}

unsigned long long PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

ProgressWindow::ProgressWindow() {
    window_ = CreateWindowA("STATIC", "Veilfold", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 440, 110, nullptr,
                            nullptr, g_hInstance, nullptr);
    CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_SIMPLE | SS_NOPREFIX, 10, 10, 410, 16, window_,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILENAME)), g_hInstance, nullptr);
    g_hwndProgressBar =
        CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 40, 330, 18, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESSBAR)), g_hInstance, nullptr);
    g_hwndProgress = window_;
}

ProgressWindow::~ProgressWindow() {
    g_hwndProgress = nullptr;
    g_hwndProgressBar = nullptr;
    DestroyWindow(window_);
}

}  // namespace vfbench
