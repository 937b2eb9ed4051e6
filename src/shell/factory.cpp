#include "shell/factory.h"

#include <new>

#include "common/state.h"
#include "shell/extension.h"

CClassFactory::CClassFactory() : m_cRef(1) { InterlockedIncrement(&g_cObjects); }

CClassFactory::~CClassFactory() { InterlockedDecrement(&g_cObjects); }

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() { return ++m_cRef; }

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    LONG count = --m_cRef;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return HandOut(new (std::nothrow) CShellExtension, riid, ppv);
}

STDMETHODIMP CClassFactory::LockServer(BOOL) { return E_NOTIMPL; }
