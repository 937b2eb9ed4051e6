// installer_probe: what the installer life-cycle test needs from inside Windows.
//
//   installer_probe run PROGRAM [ARGS...]
//       runs PROGRAM, waits for it, and prints "exit code N": the whole code,
//       which a Unix exit status would cut to 8 bits (3010 becomes 194).
//   installer_probe hold READY RELEASE [MODULE]
//       stands for a running Explorer: creates the extension through the
//       registry (or loads MODULE), prints the module it loaded, creates the file READY and holds
//       the module until the file RELEASE appears; then lets it go, as COM
//       does with an idle module, creates the extension again and prints the
//       module once more. A module is printed as its path and the time stamp
//       of its loaded image, which tells two builds apart.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "shell/class_id.h"

namespace {

constexpr DWORD kPollMs = 100;
constexpr int kMaxPolls = 3000;  // a stuck test ends in five minutes instead of never

std::string Quote(const char* argument) { return std::string("\"") + argument + "\""; }

int Run(int argc, char** argv) {
    std::string commandLine = Quote(argv[2]);
    for (int i = 3; i < argc; ++i) {
        commandLine += ' ';
        commandLine += argv[i];
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("cannot start %s: error %lu\n", argv[2], GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit code %lu\n", code);
    return 0;
}

bool PrintModule(const char* when, HMODULE module) {
    if (!module) {
        std::printf("%s: not loaded (error %lu)\n", when, GetLastError());
        return false;
    }
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, MAX_PATH);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(module) + dos->e_lfanew);
    std::printf("%s: %s stamp %08lx\n", when, path, static_cast<unsigned long>(nt->FileHeader.TimeDateStamp));
    std::fflush(stdout);
    return true;
}

// Creates the extension, prints the module behind it and releases the object:
// the module stays loaded until COM lets it go.
bool LoadAndPrint(const char* when) {
    IUnknown* extension = nullptr;
    HRESULT result = CoCreateInstance(CLSID_VeilfoldShellExtension, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(&extension));
    if (FAILED(result)) {
        std::printf("%s: no extension (0x%08lx)\n", when, static_cast<unsigned long>(result));
        return false;
    }
    extension->Release();
    return PrintModule(when, GetModuleHandleA("veilfold.dll"));
}

bool WaitForFile(const char* path) {
    for (int i = 0; i < kMaxPolls; ++i) {
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(kPollMs);
    }
    std::printf("gave up waiting for %s\n", path);
    return false;
}

int Hold(const char* ready, const char* release, const char* path) {
    CoInitialize(nullptr);
    HMODULE loaded = path ? LoadLibraryA(path) : nullptr;
    if (path ? !PrintModule("held", loaded) : !LoadAndPrint("held")) return 1;
    CloseHandle(CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!WaitForFile(release)) return 1;
    if (loaded) {
        FreeLibrary(loaded);
        CoUninitialize();
        return 0;
    }
    CoUninitialize();  // the apartment's modules go with it
    if (GetModuleHandleA("veilfold.dll")) std::printf("the module is still loaded\n");
    CoInitialize(nullptr);
    LoadAndPrint("reloaded");  // or why not, for the test to judge
    CoUninitialize();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "run" && argc >= 3) return Run(argc, argv);
    if (command == "hold" && (argc == 4 || argc == 5)) return Hold(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    std::fprintf(stderr, "usage: installer_probe run PROGRAM [ARGS...] | hold READY RELEASE [MODULE]\n");
    return 2;
}
