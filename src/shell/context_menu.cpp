// The IContextMenu part of the extension object: the menu items, their
// strings, and the entry of a command run. Everything reads kMenuCommands.
#include <windows.h>

#include "common/messages.h"
#include "common/state.h"
#include "shell/command.h"
#include "shell/extension.h"
#include "shell/menu_commands.h"

namespace {

constexpr int kWideTextSize = 512;

HRESULT MenuItemsAdded(UINT count) { return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, count); }

// The shell's buffer holds cchMax characters; the text is cut to fit.
HRESULT CopyAnsi(const char* text, LPSTR buffer, UINT cchMax) {
    if (!buffer || cchMax == 0) return E_INVALIDARG;
    lstrcpynA(buffer, text, static_cast<int>(cchMax));
    return S_OK;
}

HRESULT CopyWide(const char* text, LPSTR buffer, UINT cchMax) {
    if (!buffer || cchMax == 0) return E_INVALIDARG;
    WCHAR wide[kWideTextSize];
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kWideTextSize)) return E_FAIL;
    lstrcpynW(reinterpret_cast<LPWSTR>(buffer), wide, static_cast<int>(cchMax));
    return S_OK;
}

}  // namespace

STDMETHODIMP CShellExtension::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                               UINT flags) {
    // A menu for the default action only has no place for our items, and ids
    // past idCmdLast would belong to another handler.
    bool idsAvailable = idCmdLast >= idCmdFirst && idCmdLast - idCmdFirst >= kMenuCommandCount - 1;
    if ((flags & CMF_DEFAULTONLY) || !idsAvailable) return MenuItemsAdded(0);

    InsertMenuA(menu, indexMenu, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    for (UINT i = 0; i < kMenuCommandCount; ++i) {
        const MenuCommand& command = kMenuCommands[i];
        InsertMenuA(menu, indexMenu + 1 + command.offset, MF_BYPOSITION | MF_STRING, idCmdFirst + command.offset,
                    command.text);
    }
    return MenuItemsAdded(kMenuCommandCount);
}

STDMETHODIMP CShellExtension::GetCommandString(UINT_PTR idCmd, UINT type, UINT*, LPSTR name, UINT cchMax) {
    const MenuCommand* command = FindMenuCommand(idCmd);
    if (!command) return E_INVALIDARG;
    switch (type) {
    case GCS_HELPTEXTA: return CopyAnsi(LoadResString(g_hInstance, command->helpId), name, cchMax);
    case GCS_HELPTEXTW: return CopyWide(LoadResString(g_hInstance, command->helpId), name, cchMax);
    case GCS_VERBA: return CopyAnsi(command->verb, name, cchMax);
    case GCS_VERBW: return CopyWide(command->verb, name, cchMax);
    case GCS_VALIDATEA:
    case GCS_VALIDATEW: return S_OK;
    default: return E_INVALIDARG;
    }
}

STDMETHODIMP CShellExtension::InvokeCommand(LPCMINVOKECOMMANDINFO info) {
    if (!info) return E_INVALIDARG;
    // Commands come by offset only; a verb given as a string is not ours to run.
    if (!IS_INTRESOURCE(info->lpVerb)) return E_FAIL;
    const MenuCommand* command = FindMenuCommand(LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)));
    if (!command) return E_INVALIDARG;
    return RunCommand(*command, m_szPath, info->hwnd);
}
