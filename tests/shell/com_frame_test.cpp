// The COM frame of veilfold.dll, through its real exports.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "paths.h"
#include "shell/class_id.h"
#include "shell_fixtures.h"

namespace {

using vftest::ComRef;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

const CLSID kOtherClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

class Module : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA((vftest::ExeDir() + "\\veilfold.dll").c_str());
        ASSERT_NE(module_, nullptr);
        getClassObject_ = Export<GetClassObjectFn>("DllGetClassObject");
        canUnloadNow_ = Export<CanUnloadNowFn>("DllCanUnloadNow");
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
        ASSERT_EQ(canUnloadNow_(), S_OK) << "an earlier test left an object alive";
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    template <typename Fn>
    Fn Export(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    HRESULT GetFactory(ComRef<IClassFactory>& factory) {
        return getClassObject_(CLSID_VeilfoldShellExtension, IID_IClassFactory, factory.out());
    }

    HMODULE module_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
};

TEST_F(Module, RefusesAnUnknownClassAndCreatesNothing) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(kOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(Module, FactoryForAnInterfaceItLacksIsDestroyedAgain) {
    const IID* lacking[] = {&IID_IContextMenu, &IID_IShellExtInit};
    for (const IID* iid : lacking) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(getClassObject_(CLSID_VeilfoldShellExtension, *iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(canUnloadNow_(), S_OK) << "the refused factory is still counted";
    }
}

TEST_F(Module, LiveFactoryKeepsTheModuleAndLockServerDoesNot) {
    {
        ComRef<IClassFactory> factory;
        ASSERT_EQ(GetFactory(factory), S_OK);
        EXPECT_EQ(canUnloadNow_(), S_FALSE);
        EXPECT_EQ(factory->AddRef(), 2u) << "the caller holds the only reference";
        EXPECT_EQ(factory->Release(), 1u);

        ComRef<IUnknown> unknown;
        EXPECT_EQ(factory->QueryInterface(IID_IUnknown, unknown.out()), S_OK);
        EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(factory.get()));

        EXPECT_EQ(factory->LockServer(TRUE), E_NOTIMPL);
        EXPECT_EQ(factory->LockServer(FALSE), E_NOTIMPL);
    }
    // Locked once and never unlocked: the count of live objects alone decides.
    ComRef<IClassFactory> factory;
    ASSERT_EQ(GetFactory(factory), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), E_NOTIMPL);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(Module, CreateInstanceRefusesAggregationAndUnknownInterfaces) {
    ComRef<IClassFactory> factory;
    ASSERT_EQ(GetFactory(factory), S_OK);
    ComRef<IUnknown> outer;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, outer.out()), S_OK);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    outer.Reset();
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK) << "a refused extension object was not destroyed";
}

TEST_F(Module, ExtensionHasOneIdentityAndOneCount) {
    ComRef<IClassFactory> factory;
    ASSERT_EQ(GetFactory(factory), S_OK);
    ComRef<IShellExtInit> init;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, init.out()), S_OK);
    factory.Reset();
    EXPECT_EQ(init->AddRef(), 2u) << "a new object starts with the caller's one reference";
    EXPECT_EQ(init->Release(), 1u);

    ComRef<IContextMenu> menu;
    ComRef<IUnknown> unknown;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.out()), S_OK);
    ASSERT_EQ(init->QueryInterface(IID_IUnknown, unknown.out()), S_OK);
    EXPECT_NE(static_cast<void*>(menu.get()), static_cast<void*>(init.get()));
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(menu.get()));

    // Counted through either part, released through the other: one count.
    EXPECT_EQ(menu->AddRef(), 4u);
    EXPECT_EQ(init->Release(), 3u);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(menu->QueryInterface(IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    unknown.Reset();
    menu.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    init.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

// COM finds the module through the registry. Wine reads COM classes from the
// machine's classes only, so the class goes there for the test and no longer.
class RegisteredClass {
public:
    explicit RegisteredClass(const std::string& dllPath)
        : key_(std::string("Software\\Classes\\CLSID\\") + kShellExtensionClassIdText) {
        HKEY server;
        ok_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (key_ + "\\InprocServer32").c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &server, nullptr) == ERROR_SUCCESS;
        if (!ok_) return;
        ok_ = RegSetValueExA(server, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dllPath.c_str()),
                             static_cast<DWORD>(dllPath.size() + 1)) == ERROR_SUCCESS &&
              RegSetValueExA(server, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 10) ==
                  ERROR_SUCCESS;
        RegCloseKey(server);
    }
    ~RegisteredClass() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, key_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string key_;
    bool ok_ = false;
};

TEST(ComActivation, CoCreateInstanceFindsTheRegisteredModule) {
    RegisteredClass registration(vftest::ExeDir() + "\\veilfold.dll");
    ASSERT_TRUE(registration.ok());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        ComRef<IContextMenu> menu;
        EXPECT_EQ(
            CoCreateInstance(CLSID_VeilfoldShellExtension, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.out()),
            S_OK);
        ComRef<IShellExtInit> init;
        if (menu.get()) {
            EXPECT_EQ(menu->QueryInterface(IID_IShellExtInit, init.out()), S_OK);
        }
    }
    CoUninitialize();
}

}  // namespace
