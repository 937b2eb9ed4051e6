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

// The command named by `info`: an offset, or a canonical verb as
// GetCommandString reports it (the shell may invoke by verb, on another object
// than the one whose menu the user saw). A Unicode caller's verb is lpVerbW.
HRESULT CShellExtension::FindInvokedCommand(const CMINVOKECOMMANDINFO& info, const MenuCommand*& command) {
    bool unicode = (info.fMask & CMIC_MASK_UNICODE) && info.cbSize >= sizeof(CMINVOKECOMMANDINFOEX);
    if (unicode) {
        const auto& ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX&>(info);
        if (ex.lpVerbW && !IS_INTRESOURCE(ex.lpVerbW)) {
            command = FindMenuCommandByVerb(ex.lpVerbW);
            return command ? S_OK : E_FAIL;
        }
    }
    if (!IS_INTRESOURCE(info.lpVerb)) {
        command = FindMenuCommandByVerb(info.lpVerb);
        return command ? S_OK : E_FAIL;
    }
    command = FindMenuCommand(LOWORD(reinterpret_cast<UINT_PTR>(info.lpVerb)));
    return command ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CShellExtension::InvokeCommand(LPCMINVOKECOMMANDINFO info) {
    if (!info) return E_INVALIDARG;
    const MenuCommand* command = nullptr;
    HRESULT found = FindInvokedCommand(*info, command);
    if (FAILED(found)) return found;
    return RunCommand(*command, m_selection, info->hwnd, *m_runSteps);
}
