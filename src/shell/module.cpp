// Module entry and the two exports through which COM reaches the extension.
#include <windows.h>
#include <commctrl.h>

#include <new>

#include "about/about.h"
#include "common/state.h"
#include "shell/class_id.h"
#include "shell/factory.h"

// Process attach: the module's handle for every resource, the owner of the
// run's windows, and the common controls for the progress bar.
// Detach by FreeLibrary (reserved is null): the process lives on, so the About
// window class must not outlive the code of its window procedure.
BOOL ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_hInstance = instance;
        g_hwndOwner = GetActiveWindow();
        InitCommonControls();
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        UnregisterAboutBoxClass();
    }
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return ModuleEntry(instance, reason, reserved);
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_VeilfoldShellExtension)) return CLASS_E_CLASSNOTAVAILABLE;
    return HandOut(new (std::nothrow) CClassFactory, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_cObjects == 0 ? S_OK : S_FALSE; }
