#include "failing_io.h"

#include <mutex>
#include <string>

namespace vftest {
namespace {

void** FindImportSlot(void* target) {
    auto base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; descriptor->Name; ++descriptor) {
        auto thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; thunk->u1.Function; ++thunk)
            if (reinterpret_cast<void*>(thunk->u1.Function) == target)
                return reinterpret_cast<void**>(&thunk->u1.Function);
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value) {
    DWORD oldProtect = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
}

using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

int s_readCalls, s_failingRead;
int s_writeCalls, s_failingWrite;
ReadFileFn s_realReadFile;
WriteFileFn s_realWriteFile;

BOOL WINAPI ReadFileFailingOnce(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    if (++s_readCalls != s_failingRead) return s_realReadFile(file, buffer, size, read, overlapped);
    if (read) *read = 0;
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
}

BOOL WINAPI WriteFileFailingOnce(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (++s_writeCalls != s_failingWrite) return s_realWriteFile(file, buffer, size, written, overlapped);
    s_realWriteFile(file, buffer, size / 2, written, overlapped);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

BOOL WINAPI MoveFileAlwaysFailing(LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

int s_crashingWrite;

using FlushFn = BOOL(WINAPI*)(HANDLE);
DiskOrder* s_order;
WriteFileFn s_orderWrite;
FlushFn s_orderFlush;

bool IsJournal(HANDLE file) {
    alignas(FILE_NAME_INFO) BYTE buffer[sizeof(FILE_NAME_INFO) + 2 * MAX_PATH * sizeof(wchar_t)];
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer);
    if (!GetFileInformationByHandleEx(file, FileNameInfo, info, sizeof buffer)) return false;
    std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
    return name.ends_with(L".vfj");
}

// The pass writes on one thread and flushes on another.
std::mutex s_orderMutex;

void Note(HANDLE file, bool flush) {
    bool journal = IsJournal(file);
    std::lock_guard<std::mutex> lock(s_orderMutex);
    s_order->events.push_back({journal, flush});
}

BOOL WINAPI WriteFileInOrder(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    Note(file, false);
    return s_orderWrite(file, buffer, size, written, overlapped);
}

BOOL WINAPI FlushInOrder(HANDLE file) {
    Note(file, true);
    return s_orderFlush(file);
}

BOOL WINAPI WriteFileCrashing(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (++s_writeCalls == s_crashingWrite) throw Killed{};
    return s_realWriteFile(file, buffer, size, written, overlapped);
}

WriteFileFn s_slowWriteFile;
DWORD s_slowWriteMs;

BOOL WINAPI WriteFileSlowly(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    Sleep(s_slowWriteMs);
    return s_slowWriteFile(file, buffer, size, written, overlapped);
}

void* Kernel32(const char* function) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), function));
}

}  // namespace

ImportPatch::ImportPatch(const char* function, void* replacement) {
    original_ = Kernel32(function);
    slot_ = FindImportSlot(original_);
    if (slot_) WriteSlot(slot_, replacement);
}

ImportPatch::~ImportPatch() {
    if (slot_) WriteSlot(slot_, original_);
}

FailingRead::FailingRead(int failingCall) : patch("ReadFile", reinterpret_cast<void*>(ReadFileFailingOnce)) {
    s_readCalls = 0;
    s_failingRead = failingCall;
    s_realReadFile = reinterpret_cast<ReadFileFn>(patch.original());
}

FailingWrite::FailingWrite(int failingCall) : patch("WriteFile", reinterpret_cast<void*>(WriteFileFailingOnce)) {
    s_writeCalls = 0;
    s_failingWrite = failingCall;
    s_realWriteFile = reinterpret_cast<WriteFileFn>(patch.original());
}

int FailingWrite::calls() const { return s_writeCalls; }

int CrashingWrite::calls() const { return s_writeCalls; }

CrashingWrite::CrashingWrite(int crashingCall) : patch("WriteFile", reinterpret_cast<void*>(WriteFileCrashing)) {
    s_writeCalls = 0;
    s_crashingWrite = crashingCall;
    s_realWriteFile = reinterpret_cast<WriteFileFn>(patch.original());
}

DiskOrder::DiskOrder()
    : write("WriteFile", reinterpret_cast<void*>(WriteFileInOrder)),
      flush("FlushFileBuffers", reinterpret_cast<void*>(FlushInOrder)) {
    s_order = this;
    s_orderWrite = reinterpret_cast<WriteFileFn>(write.original());
    s_orderFlush = reinterpret_cast<FlushFn>(flush.original());
}

DiskOrder::~DiskOrder() { s_order = nullptr; }

SlowWrite::SlowWrite(DWORD milliseconds) : patch("WriteFile", reinterpret_cast<void*>(WriteFileSlowly)) {
    s_slowWriteMs = milliseconds;
    s_slowWriteFile = reinterpret_cast<WriteFileFn>(patch.original());
}

FailingMove::FailingMove() : patch("MoveFileExW", reinterpret_cast<void*>(MoveFileAlwaysFailing)) {}

}  // namespace vftest
