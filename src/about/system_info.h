#pragma once
// The facts about the machine that the About window shows, in its own texts.
#include <windows.h>

#include <cstdint>

inline constexpr int kSystemTextSize = 20;

// "<n> KB" for a byte count: whole kilobytes, the partial one dropped.
void FormatMemoryText(std::uint64_t totalBytes, char (&buffer)[kSystemTextSize]);
// The machine's physical memory, as FormatMemoryText writes it.
void FormatPhysicalMemory(char (&buffer)[kSystemTextSize]);

// "386", "486", "PENTIUM" or "Unknown" for a SYSTEM_INFO processor type; returns buffer.
char* GetProcessorName(char (&buffer)[kSystemTextSize], DWORD processorType);
// The processor name of this machine.
char* GetMachineProcessorName(char (&buffer)[kSystemTextSize]);

// Major version of Windows; 0 (older than any known) when it cannot be read.
DWORD GetWindowsMajorVersion();
