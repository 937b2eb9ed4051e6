#include "shell_fixtures.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "common/messages.h"
#include "paths.h"

namespace vftest {

IDataObject* CreateShellDataObject(const std::vector<std::string>& paths) {
    std::vector<PIDLIST_ABSOLUTE> absolute;
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder* parent = nullptr;
    for (const std::string& path : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(SHParseDisplayName(Wide(path).c_str(), nullptr, &pidl, 0, nullptr))) break;
        absolute.push_back(pidl);
        PCUITEMID_CHILD child = nullptr;
        if (!parent && FAILED(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) break;
        children.push_back(ILFindLastID(pidl));
    }
    IDataObject* data = nullptr;
    if (parent && children.size() == paths.size())
        parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(&data));
    if (parent) parent->Release();
    for (PIDLIST_ABSOLUTE pidl : absolute) CoTaskMemFree(pidl);
    return data;
}

namespace {

class DropDataObject final : public IDataObject {
public:
    DropDataObject(std::vector<std::string> paths, bool failGetData)
        : paths_(std::move(paths)), failGetData_(failGetData) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject)) return E_NOINTERFACE;
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG count = --refs_;
        if (!count) delete this;
        return count;
    }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (failGetData_ || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        // DROPFILES, then the paths in UTF-16 as the shell hands them, each
        // NUL-terminated, then one more NUL (two for an empty list).
        std::vector<std::wstring> wide;
        SIZE_T size = sizeof(DROPFILES) + 2 * sizeof(wchar_t);
        for (const std::string& path : paths_) {
            wide.push_back(Wide(path));
            size += (wide.back().size() + 1) * sizeof(wchar_t);
        }
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        auto* next = reinterpret_cast<wchar_t*>(drop + 1);
        for (const std::wstring& path : wide) {
            lstrcpyW(next, path.c_str());
            next += path.size() + 1;
        }
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    ~DropDataObject() = default;
    ULONG refs_ = 1;
    std::vector<std::string> paths_;
    bool failGetData_;
};

}  // namespace

IDataObject* CreateDropDataObject(const std::vector<std::string>& paths, bool failGetData) {
    return new DropDataObject(paths, failGetData);
}

// Bounded by the clock: a wait cut short by arriving messages must not use up the limit.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    constexpr DWORD kWaitMs = 20;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < limitMs;) {
        PumpMessages();
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitMs, QS_ALLINPUT);
    }
    return done();
}

}  // namespace vftest
