// Identity, lifetime and selection recording of the extension object.
#include "shell/extension.h"

#include <new>
#include <string>
#include <vector>

#include "common/state.h"

CShellExtension::CShellExtension(const RunSteps& runSteps) : m_runSteps(&runSteps), m_cRef(1) {
    InterlockedIncrement(&g_cObjects);
}

CShellExtension::~CShellExtension() { InterlockedDecrement(&g_cObjects); }

STDMETHODIMP CShellExtension::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // IContextMenu is the first base, so its part also stands for IUnknown;
    // the IShellExtInit part is a separate pointer into the same object.
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IContextMenu)) {
        *ppv = static_cast<IContextMenu*>(this);
    } else if (IsEqualIID(riid, IID_IShellExtInit)) {
        *ppv = static_cast<IShellExtInit*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CShellExtension::AddRef() { return ++m_cRef; }

STDMETHODIMP_(ULONG) CShellExtension::Release() {
    LONG count = --m_cRef;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CShellExtension::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    if (!data) return E_FAIL;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return E_FAIL;
    HRESULT result = medium.tymed == TYMED_HGLOBAL ? RecordDroppedPaths(static_cast<HDROP>(medium.hGlobal)) : E_FAIL;
    ReleaseStgMedium(&medium);
    return result;
}

// Appends the dropped paths to the object's selection, all of them or none.
HRESULT CShellExtension::RecordDroppedPaths(HDROP drop) noexcept {
    try {
        UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        std::vector<std::wstring> paths = m_selection;
        paths.reserve(paths.size() + count);
        for (UINT i = 0; i < count; ++i) {
            // An empty name is no path (some hosts report one for an empty list).
            UINT length = DragQueryFileW(drop, i, nullptr, 0);
            if (length == 0) continue;
            std::wstring path(length + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
            if (!path.empty()) paths.push_back(std::move(path));
        }
        m_selection.swap(paths);
        return S_OK;
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}
