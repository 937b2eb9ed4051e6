#include "shell/selection.h"

#include <windows.h>

#include <new>

namespace {

SRWLOCK s_selectionLock = SRWLOCK_INIT;
std::vector<std::string> s_selection;  // guarded by s_selectionLock

class SelectionLock {
public:
    SelectionLock() { AcquireSRWLockExclusive(&s_selectionLock); }
    ~SelectionLock() { ReleaseSRWLockExclusive(&s_selectionLock); }
    SelectionLock(const SelectionLock&) = delete;
    SelectionLock& operator=(const SelectionLock&) = delete;
};

}  // namespace

bool AppendSelection(std::vector<std::string>&& paths) noexcept {
    SelectionLock lock;
    try {
        // Only reserve can fail; moving the strings in afterwards cannot.
        s_selection.reserve(s_selection.size() + paths.size());
    } catch (const std::exception&) {
        return false;
    }
    for (std::string& path : paths) s_selection.push_back(std::move(path));
    return true;
}

void ClearSelection() noexcept {
    SelectionLock lock;
    s_selection.clear();
}

bool CopySelection(std::vector<std::string>& paths) noexcept {
    SelectionLock lock;
    try {
        paths = s_selection;
    } catch (const std::exception&) {
        return false;
    }
    return true;
}
