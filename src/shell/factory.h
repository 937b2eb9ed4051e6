#pragma once
// CClassFactory: creates CShellExtension objects for COM.
#include <windows.h>
#include <unknwn.h>

class CClassFactory final : public IClassFactory {
public:
    CClassFactory();
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    // E_NOTIMPL: only live objects keep the module loaded.
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~CClassFactory();  // only Release destroys

    LONG m_cRef;
};

// Hands out the object's interface `riid` and drops the creator's reference:
// the object starts with a count of 1, so a failed QueryInterface frees it.
template <typename Object>
HRESULT HandOut(Object* object, REFIID riid, void** ppv) {
    if (!object) return E_OUTOFMEMORY;
    HRESULT result = object->QueryInterface(riid, ppv);
    object->Release();
    return result;
}
