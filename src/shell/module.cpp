// Module entry and the two exports COM looks up by name.
#include <windows.h>
#include <commctrl.h>

#include "shell/state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_hInstance = instance;
        g_hwndOwner = GetActiveWindow();
        InitCommonControls();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) {
    if (ppv) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_cObjects == 0 ? S_OK : S_FALSE; }
