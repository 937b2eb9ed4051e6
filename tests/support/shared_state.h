#pragma once
// The module's shared state (common/state.h) for the length of a test: saved
// when the scope begins, set as the module has it at load (zero and null, the
// module instance kept), and put back when the scope ends, so that no test
// sees what another one left behind, even after a failed assertion.
//
// Two things are left out. The live-object count belongs to the objects: a
// value put back under them would hide a leak. The selection has its own lock
// and functions (shell/selection.h); the shell's fixtures empty it.
#include <string>

namespace vftest {

class SharedStateScope {
public:
    SharedStateScope();
    ~SharedStateScope();
    SharedStateScope(const SharedStateScope&) = delete;
    SharedStateScope& operator=(const SharedStateScope&) = delete;

private:
    std::string saved_;  // the bytes of each part, in turn
};

}  // namespace vftest
