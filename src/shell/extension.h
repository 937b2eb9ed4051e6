#pragma once
// CShellExtension: the object the shell creates for a context menu on files
// and folders. It records the selection (IShellExtInit), adds the commands
// and carries one out (IContextMenu).
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shell/command.h"

class CShellExtension final : public IContextMenu, public IShellExtInit {
public:
    // `runSteps` carry out its commands; a test may stand in for them.
    explicit CShellExtension(const RunSteps& runSteps = kRunSteps);
    CShellExtension(const CShellExtension&) = delete;
    CShellExtension& operator=(const CShellExtension&) = delete;

    // IUnknown, shared by both interface parts: one identity, one count.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IContextMenu (context_menu.cpp)
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) override;
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override;
    STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, LPSTR name, UINT cchMax) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    // The paths handed to this object's Initialize, in the shell's order.
    const std::vector<std::wstring>& Selection() const { return m_selection; }

private:
    ~CShellExtension();  // only Release destroys
    HRESULT RecordDroppedPaths(HDROP drop) noexcept;
    static HRESULT FindInvokedCommand(const CMINVOKECOMMANDINFO& info, const MenuCommand*& command);

    const RunSteps* m_runSteps;
    LONG m_cRef;
    // The selection belongs to the object: Explorer may keep several alive at
    // once, for the same menu or for menus of other windows.
    // Wide, and as long as the shell hands them: a name is never converted to
    // a code page, and a path is never cut.
    std::vector<std::wstring> m_selection;
};
