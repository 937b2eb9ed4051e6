#include "about/system_info.h"

#include "common/windows_version.h"

void FormatMemoryText(std::uint64_t totalBytes, char (&buffer)[kSystemTextSize]) {
    // A 64-bit build sees more than 4 GB; the count is held to what fits in 32 bits (4 TB).
    const std::uint64_t kilobytes = totalBytes >> 10;
    const DWORD shown = kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kilobytes);
    wsprintfA(buffer, "%lu KB", static_cast<unsigned long>(shown));
}

void FormatPhysicalMemory(char (&buffer)[kSystemTextSize]) {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    FormatMemoryText(status.dwTotalPhys, buffer);
}

char* GetProcessorName(char (&buffer)[kSystemTextSize], DWORD processorType) {
    const char* name = "Unknown";
    switch (processorType) {
    case 386: name = "386"; break;
    case 486: name = "486"; break;
    case 586: name = "PENTIUM"; break;
    }
    lstrcpyA(buffer, name);
    return buffer;
}

char* GetMachineProcessorName(char (&buffer)[kSystemTextSize]) {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return GetProcessorName(buffer, info.dwProcessorType);
}

DWORD GetWindowsMajorVersion() { return WindowsVersion().dwMajorVersion; }
