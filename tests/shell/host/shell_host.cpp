// shell_host: does with veilfold.dll what Explorer does when the user opens
// the context menu on files and picks a command, and prints each step.
//
//   shell_host [--dll PATH] [--position N] [--show-menu] [--password PW]
//              [--screenshots PREFIX] encrypt|decrypt|none PATH...
//
// The class is created through the registry (CoCreateInstance) unless --dll
// names the module to load directly. The paths must lie in one folder, as an
// Explorer selection does. --show-menu shows the context menu and picks the
// command in it with the keyboard. --password answers the password dialog
// (first use or enter) with PW. --screenshots saves PREFIX<name>.bmp of the
// menu, the password dialog and the progress window (held at its first file
// while the picture is taken). "none" stops before InvokeCommand. Exit status
// 0 when every step succeeded.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui.h"
#include "host_window.h"
#include "password_steps.h"
#include "progress_gate.h"
#include "shell/class_id.h"
#include "shell_session.h"

namespace {

using vftest::ComRef;

constexpr DWORD kProgressWaitMs = 60000;

struct Options {
    std::string dll;
    int position = 3;
    bool showMenu = false;
    std::string password;
    std::string screenshots;
    std::string verb;
    std::vector<std::string> paths;
};

bool ParseOption(const std::string& name, const char* value, Options& options) {
    if (name == "--dll")
        options.dll = value;
    else if (name == "--position")
        options.position = std::atoi(value);
    else if (name == "--password")
        options.password = value;
    else if (name == "--screenshots")
        options.screenshots = value;
    else
        return false;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc && std::string(argv[i]).rfind("--", 0) == 0; ++i) {
        if (std::string(argv[i]) == "--show-menu")
            options.showMenu = true;
        else if (i + 1 >= argc || !ParseOption(argv[i], argv[i + 1], options))
            return false;
        else
            ++i;
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

bool Report(const std::string& step, HRESULT result) {
    std::printf("%s -> 0x%08lX\n", step.c_str(), static_cast<unsigned long>(result));
    std::fflush(stdout);
    return SUCCEEDED(result);
}

void Photograph(const Options& options, vfhost::HostWindow& host, const std::string& name) {
    if (options.screenshots.empty()) return;
    host.Photograph(options.screenshots + name + ".bmp");
    std::printf("screenshot %s%s.bmp\n", options.screenshots.c_str(), name.c_str());
}

void PrintMenu(HMENU menu) {
    int position = 0;
    for (const vfhost::MenuItem& item : vfhost::ReadMenu(menu)) {
        if (item.separator)
            std::printf("menu %d: ----\n", position++);
        else
            std::printf("menu %d: id %u \"%s\"\n", position++, item.id, item.text.c_str());
    }
}

void PrintCommandStrings(IContextMenu* menu, UINT count) {
    for (UINT offset = 0; offset < count; ++offset) {
        char verb[64] = "";
        menu->GetCommandString(offset, GCS_VERBA, nullptr, verb, sizeof verb);
        HRESULT result;
        std::string help = vfhost::CommandHelp(menu, offset, result);
        std::printf("command %u: verb \"%s\", help \"%s\"\n", offset, verb, help.c_str());
    }
}

// The command offset the user picks: from the menu on the screen, or from the verb.
bool PickCommand(const Options& options, vfhost::HostWindow& host, HMENU popup, UINT& offset) {
    offset = options.verb == "decrypt" ? 1 : 0;
    if (!options.showMenu) return true;
    int position = options.position + 1 + static_cast<int>(offset);
    UINT chosen = host.ChooseFromMenu(popup, position, [&] { Photograph(options, host, "menu"); });
    std::printf("menu shown; chose id %u\n", chosen);
    if (chosen < vfhost::kFirstCommandId) return false;
    offset = chosen - vfhost::kFirstCommandId;
    return true;
}

// The helper thread's part of a run: the password dialog, then a picture of
// the progress window held at its first file.
void AnswerRun(vftest::Gui& ui, const Options& options, vfhost::HostWindow& host, vfhost::ProgressGate& gate) {
    auto photograph = [&](const std::string& name) { Photograph(options, host, name); };
    if (!options.password.empty()) vfhost::AnswerPasswordDialog(ui, options.password, photograph);
    if (options.screenshots.empty()) return;
    if (auto file = gate.WaitHeld(kProgressWaitMs)) {
        std::printf("progress window at %s\n", file->c_str());
        photograph("progress");
    }
    gate.RunFree();
}

// Without --password or --screenshots nobody but the user answers the dialogs.
HRESULT InvokeHelped(const Options& options, vfhost::HostWindow& host, IContextMenu* menu, UINT offset,
                     vfhost::ProgressGate& gate, bool& helperFailed) {
    if (options.password.empty() && options.screenshots.empty()) return vfhost::InvokeOffset(menu, host.hwnd(), offset);
    if (!options.screenshots.empty()) gate.HoldAtEachFile();
    vftest::GuiHelper gui([&](vftest::Gui& ui) { AnswerRun(ui, options, host, gate); });
    HRESULT result = vfhost::InvokeOffset(menu, host.hwnd(), offset);
    gate.RunFree();
    gui.Join();
    for (const std::string& event : gui.Events()) std::printf("helper: %s\n", event.c_str());
    helperFailed = gui.Failed();
    return result;
}

bool RunCommand(const Options& options, vfhost::HostWindow& host, IContextMenu* menu, UINT offset) {
    vfhost::ProgressGate gate;
    host.Attach(&gate);
    bool helperFailed = false;
    HRESULT result = InvokeHelped(options, host, menu, offset, gate, helperFailed);
    host.Attach(nullptr);
    std::printf("progress window showed %zu files\n", gate.FilesShown().size());
    bool ok = Report("InvokeCommand offset " + std::to_string(offset), result);
    return ok && !helperFailed;
}

int RunHost(const Options& options, vfhost::HostWindow& host) {
    ComRef<IShellExtInit> init;
    std::string how = options.dll.empty() ? std::string("CoCreateInstance ") + kShellExtensionClassIdText
                                          : "DllGetClassObject and CreateInstance from " + options.dll;
    if (!Report(how, vfhost::CreateExtension(options.dll, init))) return 1;
    std::printf("module %s\n", vfhost::LoadedModulePath().c_str());
    HRESULT result = vfhost::InitializeWithPaths(init.get(), options.paths);
    ComRef<IContextMenu> menu;
    if (!Report("Initialize with " + std::to_string(options.paths.size()) + " paths", result) ||
        FAILED(init->QueryInterface(IID_IContextMenu, menu.out())))
        return 1;

    HMENU popup = vfhost::BuildShellMenu();
    result =
        menu->QueryContextMenu(popup, options.position, vfhost::kFirstCommandId, vfhost::kLastCommandId, CMF_NORMAL);
    Report("QueryContextMenu at position " + std::to_string(options.position), result);
    PrintMenu(popup);
    PrintCommandStrings(menu.get(), HRESULT_CODE(result));
    UINT offset;
    bool picked = PickCommand(options, host, popup, offset);
    DestroyMenu(popup);
    if (!picked) return 1;
    return options.verb == "none" || RunCommand(options, host, menu.get(), offset) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: shell_host [--dll PATH] [--position N] [--show-menu] [--password PW] "
                     "[--screenshots PREFIX] encrypt|decrypt|none PATH...\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status;
    {
        // The shell's window: active when the module loads, so it becomes the owner.
        vfhost::HostWindow host;
        status = RunHost(options, host);
    }
    OleUninitialize();
    return status;
}
