// terminate_held PROGRAM [ARGUMENT...]
// Runs PROGRAM with its standard output in a pipe and, once it prints
// "holding", ends it with TerminateProcess, as Task Manager or a shutdown
// would. Prints "terminated", or, if PROGRAM ended first, what it printed
// and "ended". Used by
// check_killed_runs.py to kill a run at a chosen block.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::wstring Quoted(const wchar_t* argument) {
    if (*argument && !std::wcspbrk(argument, L" \t\"")) return argument;
    std::wstring quoted = L"\"";
    for (const wchar_t* c = argument; *c; ++c) quoted += *c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, *c);
    return quoted + L"\"";
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2) return std::fprintf(stderr, "usage: terminate_held PROGRAM [ARGUMENT...]\n"), 2;
    std::wstring command;
    for (int n = 1; n < argc; ++n) command += (n > 1 ? L" " : L"") + Quoted(argv[n]);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 2;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        return std::fprintf(stderr, "cannot start: %lu\n", GetLastError()), 2;
    CloseHandle(writeEnd);  // the pipe ends when the child's end closes

    // Whatever the program prints before it holds (questions, say) goes by.
    std::string output;
    char chunk[4096];
    DWORD got = 0;
    bool held = false;
    // A read that comes back empty while the program still runs is read
    // again: only its end may stop the wait, never a pipe's hiccup.
    while (!held) {
        if (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            output.append(chunk, got);
            held = output.find("holding") != std::string::npos;
        } else if (WaitForSingleObject(child.hProcess, 10) == WAIT_OBJECT_0) {
            break;
        }
    }
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CloseHandle(readEnd);
    // Ended on its own: what it printed tells why.
    if (!held) std::printf("%s", output.c_str());
    std::printf(held ? "terminated\n" : "ended\n");
    return 0;
}
