// shell_host: does with veilfold.dll what Explorer does when the user opens
// the context menu on files and picks a command, and prints each step.
//
//   shell_host [--dll PATH] [--position N] [--show-menu MS] [--screenshot NAME]
//              encrypt|decrypt|none PATH...
//
// The class is created through the registry (CoCreateInstance) unless --dll
// names the module to load directly. The paths must lie in one folder, as an
// Explorer selection does. --show-menu shows the popup menu for MS
// milliseconds (--screenshot saves the screen meanwhile). "none" stops
// before InvokeCommand. Exit status 0 when every step succeeded.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui.h"
#include "shell/class_id.h"
#include "shell_fixtures.h"

namespace {

using vftest::ComRef;

constexpr UINT kFirstCommandId = 1000;
constexpr UINT kLastCommandId = 0x7FFF;
constexpr UINT_PTR kCloseMenuTimer = 1;
const char* const kShellItems[] = {"&Open", "Cu&t", "&Copy", "&Delete", "P&roperties"};

struct Options {
    std::string dll;
    UINT position = 3;
    UINT showMenuMs = 0;
    std::string screenshot;
    std::string verb;
    std::vector<std::string> paths;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--dll") options.dll = value;
        else if (name == "--position") options.position = static_cast<UINT>(std::atoi(value.c_str()));
        else if (name == "--show-menu") options.showMenuMs = static_cast<UINT>(std::atoi(value.c_str()));
        else if (name == "--screenshot") options.screenshot = value;
        else return false;
    }
    if (i >= argc) return false;
    options.verb = argv[i++];
    for (; i < argc; ++i) {
        char full[MAX_PATH];
        GetFullPathNameA(argv[i], MAX_PATH, full, nullptr);
        options.paths.push_back(full);
    }
    return options.verb == "encrypt" || options.verb == "decrypt" || options.verb == "none";
}

void Report(const char* step, HRESULT result) {
    std::printf("%s -> 0x%08lX\n", step, static_cast<unsigned long>(result));
    std::fflush(stdout);
}

HRESULT CreateExtension(const Options& options, ComRef<IShellExtInit>& init) {
    if (options.dll.empty()) {
        HRESULT result = CoCreateInstance(CLSID_VeilfoldShellExtension, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IShellExtInit, init.out());
        Report((std::string("CoCreateInstance ") + kShellExtensionClassIdText).c_str(), result);
        return result;
    }
    HMODULE module = LoadLibraryA(options.dll.c_str());
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(module ? GetProcAddress(module, "DllGetClassObject") : nullptr));
    if (!getClassObject) {
        std::printf("cannot load %s\n", options.dll.c_str());
        return E_FAIL;
    }
    ComRef<IClassFactory> factory;
    HRESULT result = getClassObject(CLSID_VeilfoldShellExtension, IID_IClassFactory, factory.out());
    if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, IID_IShellExtInit, init.out());
    Report(("DllGetClassObject and CreateInstance from " + options.dll).c_str(), result);
    return result;
}

HMENU BuildShellMenu() {
    HMENU menu = CreatePopupMenu();
    UINT id = 1;
    for (const char* text : kShellItems) AppendMenuA(menu, MF_STRING, id++, text);
    return menu;
}

void PrintMenu(HMENU menu) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) std::printf("menu %d: ----\n", i);
        else std::printf("menu %d: id %u \"%s\"\n", i, GetMenuItemID(menu, i), text);
    }
}

void PrintCommandStrings(IContextMenu* menu, UINT count) {
    for (UINT offset = 0; offset < count; ++offset) {
        char help[128] = "", verb[64] = "";
        menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, help, sizeof help);
        menu->GetCommandString(offset, GCS_VERBA, nullptr, verb, sizeof verb);
        std::printf("command %u: verb \"%s\", help \"%s\"\n", offset, verb, help);
    }
}

void CALLBACK CloseMenu(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    EndMenu();
}

DWORD WINAPI TakeScreenshot(LPVOID name) {
    Sleep(500);  // the menu is drawn by then
    vftest::SaveScreenshot(*static_cast<const std::string*>(name));
    return 0;
}

void ShowMenu(HWND window, HMENU menu, const Options& options) {
    if (!options.showMenuMs) return;
    SetForegroundWindow(window);
    SetTimer(window, kCloseMenuTimer, options.showMenuMs, CloseMenu);
    if (!options.screenshot.empty()) {
        // Taken from a helper thread while the menu's own loop runs.
        HANDLE thread = CreateThread(nullptr, 0, TakeScreenshot, const_cast<std::string*>(&options.screenshot), 0,
                                     nullptr);
        if (thread) CloseHandle(thread);
    }
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, 200, 150, 0, window, nullptr);
    std::printf("menu shown for %u ms\n", options.showMenuMs);
}

HRESULT Invoke(IContextMenu* menu, HWND window, const std::string& verb) {
    UINT offset = verb == "encrypt" ? 0 : 1;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    HRESULT result = menu->InvokeCommand(&info);
    Report(("InvokeCommand " + verb + " (offset " + std::to_string(offset) + ")").c_str(), result);
    return result;
}

int RunHost(const Options& options, HWND window) {
    ComRef<IShellExtInit> init;
    if (FAILED(CreateExtension(options, init))) return 1;
    IDataObject* data = vftest::CreateShellDataObject(options.paths);
    if (!data) {
        std::printf("no data object for the paths (one folder, existing files)\n");
        return 1;
    }
    HRESULT result = init->Initialize(nullptr, data, nullptr);
    data->Release();
    Report(("Initialize with " + std::to_string(options.paths.size()) + " paths").c_str(), result);
    ComRef<IContextMenu> menu;
    if (FAILED(result) || FAILED(init->QueryInterface(IID_IContextMenu, menu.out()))) return 1;

    HMENU popup = BuildShellMenu();
    result = menu->QueryContextMenu(popup, options.position, kFirstCommandId, kLastCommandId, CMF_NORMAL);
    Report(("QueryContextMenu at position " + std::to_string(options.position)).c_str(), result);
    PrintMenu(popup);
    PrintCommandStrings(menu.get(), HRESULT_CODE(result));
    ShowMenu(window, popup, options);
    DestroyMenu(popup);
    return options.verb == "none" || SUCCEEDED(Invoke(menu.get(), window, options.verb)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: shell_host [--dll PATH] [--position N] [--show-menu MS] [--screenshot NAME] "
                     "encrypt|decrypt|none PATH...\n");
        return 2;
    }
    OleInitialize(nullptr);
    // The shell's window: active when the module loads, so it becomes the owner.
    HWND window = CreateWindowA("STATIC", "Veilfold shell host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 320,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetActiveWindow(window);
    int status = RunHost(options, window);
    DestroyWindow(window);
    OleUninitialize();
    return status;
}
