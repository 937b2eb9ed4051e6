#pragma once
// Explorer's side of a context-menu extension, step by step: create it, hand
// it the selection, let it fill a context menu, ask for its status texts, and
// invoke a command. Shared by the shell host and the end-to-end tests.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shell_fixtures.h"

namespace vfhost {

inline constexpr UINT kFirstCommandId = 1000;
inline constexpr UINT kLastCommandId = 0x7FFF;

// Creates the extension through the registry (CoCreateInstance) when `dll` is
// empty, otherwise from that module's class factory.
HRESULT CreateExtension(const std::string& dll, vftest::ComRef<IShellExtInit>& init);

// The module that serves the extension in this process, or "" when none is loaded.
std::string LoadedModulePath();

// Initialize with the data object of the shell's folder for these paths (one
// folder, as in an Explorer selection). E_INVALIDARG when the shell could not
// make one.
HRESULT InitializeWithPaths(IShellExtInit* init, const std::vector<std::string>& paths);

// A context menu as the shell starts it, before extensions add to it.
HMENU BuildShellMenu();

struct MenuItem {
    bool separator;
    UINT id;
    std::string text;
};
std::vector<MenuItem> ReadMenu(HMENU menu);

// The help text the extension gives for a command offset (GCS_HELPTEXTA).
std::string CommandHelp(IContextMenu* menu, UINT offset, HRESULT& result);

// InvokeCommand with a command offset, as the shell does for a chosen item.
HRESULT InvokeOffset(IContextMenu* menu, HWND window, UINT offset);

}  // namespace vfhost
