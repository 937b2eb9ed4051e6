#include "shell_session.h"

#include "shell/class_id.h"

namespace vfhost {
namespace {

const char* const kShellItems[] = {"&Open", "Cu&t", "&Copy", "&Delete", "P&roperties"};
constexpr char kModuleName[] = "veilfold.dll";

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

HRESULT CreateFromModule(const std::string& dll, vftest::ComRef<IShellExtInit>& init) {
    HMODULE module = LoadLibraryA(dll.c_str());
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(module ? GetProcAddress(module, "DllGetClassObject") : nullptr));
    if (!getClassObject) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    vftest::ComRef<IClassFactory> factory;
    HRESULT result = getClassObject(CLSID_VeilfoldShellExtension, IID_IClassFactory, factory.out());
    if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, IID_IShellExtInit, init.out());
    return result;
}

}  // namespace

HRESULT CreateExtension(const std::string& dll, vftest::ComRef<IShellExtInit>& init) {
    if (!dll.empty()) return CreateFromModule(dll, init);
    return CoCreateInstance(CLSID_VeilfoldShellExtension, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.out());
}

std::string LoadedModulePath() {
    HMODULE module = GetModuleHandleA(kModuleName);
    char path[MAX_PATH] = "";
    if (module) GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

HRESULT InitializeWithPaths(IShellExtInit* init, const std::vector<std::string>& paths) {
    IDataObject* data = vftest::CreateShellDataObject(paths);
    if (!data) return E_INVALIDARG;
    HRESULT result = init->Initialize(nullptr, data, nullptr);
    data->Release();
    return result;
}

HMENU BuildShellMenu() {
    HMENU menu = CreatePopupMenu();
    UINT id = 1;
    for (const char* text : kShellItems) AppendMenuA(menu, MF_STRING, id++, text);
    return menu;
}

std::vector<MenuItem> ReadMenu(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        bool separator = (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) != 0;
        items.push_back({separator, separator ? 0 : GetMenuItemID(menu, i), text});
    }
    return items;
}

std::string CommandHelp(IContextMenu* menu, UINT offset, HRESULT& result) {
    char help[128] = "";
    result = menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, help, sizeof help);
    return help;
}

HRESULT InvokeOffset(IContextMenu* menu, HWND window, UINT offset) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}

}  // namespace vfhost
