#include "shell/selection.h"

#include <windows.h>

#include <new>

#include "common/state.h"

namespace {

SRWLOCK s_selectionLock = SRWLOCK_INIT;

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
        g_SelectionList.reserve(g_SelectionList.size() + paths.size());
    } catch (const std::exception&) {
        return false;
    }
    for (std::string& path : paths) g_SelectionList.push_back(std::move(path));
    return true;
}

void ClearSelection() noexcept {
    SelectionLock lock;
    g_SelectionList.clear();
}

bool CopySelection(std::vector<std::string>& paths) noexcept {
    SelectionLock lock;
    try {
        paths = g_SelectionList;
    } catch (const std::exception&) {
        return false;
    }
    return true;
}
