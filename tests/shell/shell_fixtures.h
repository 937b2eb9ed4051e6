#pragma once
// What the shell hands the extension, built for tests: data objects for a
// selection, and a message loop that ends on a condition.
#include <windows.h>
#include <objidl.h>

#include <functional>
#include <string>
#include <vector>

namespace vftest {

// Releases a COM interface when it goes.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(Interface* p) : p_(p) {}
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    void** out() {
        Reset();
        return reinterpret_cast<void**>(&p_);
    }

private:
    Interface* p_ = nullptr;
};

// The data object the shell's own folder gives for these files (all in one
// folder), in the order given. Null on failure.
IDataObject* CreateShellDataObject(const std::vector<std::string>& paths);

// A minimal data object that offers only CF_HDROP (wide, as the shell hands
// it) with these paths, spelled in UTF-8, whatever their length; with
// `failGetData` its GetData fails.
IDataObject* CreateDropDataObject(const std::vector<std::string>& paths, bool failGetData = false);

// Runs the module's pump until `done` holds, waiting for messages in
// between. Gives up after about `limitMs` (a failing GUI script must not
// hang the test); returns whether `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 10000);

}  // namespace vftest
