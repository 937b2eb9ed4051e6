#include "shared_state.h"

#include <cstring>

#include "common/state.h"

namespace vftest {
namespace {

struct Part {
    void* at;
    std::size_t size;
};

// Every global of common/state.h but the two the header leaves out.
const Part kParts[] = {
    {&g_hInstance, sizeof g_hInstance},
    {&g_hwndOwner, sizeof g_hwndOwner},
    {&g_hwndProgress, sizeof g_hwndProgress},
    {&g_hwndProgressBar, sizeof g_hwndProgressBar},
    {&g_bCancel, sizeof g_bCancel},
    {&g_pBuffer, sizeof g_pBuffer},
    {&g_Key, sizeof g_Key},
    {&g_CheckValue, sizeof g_CheckValue},
    {&g_bKeyValid, sizeof g_bKeyValid},
    {&g_bRetainKey, sizeof g_bRetainKey},
    {&g_dwRetainTime, sizeof g_dwRetainTime},
    {&g_bIsNT, sizeof g_bIsNT},
    {g_szMessage, sizeof g_szMessage},
};

}  // namespace

SharedStateScope::SharedStateScope() {
    for (const Part& part : kParts) saved_.append(static_cast<const char*>(part.at), part.size);
    for (const Part& part : kParts)
        if (part.at != &g_hInstance) std::memset(part.at, 0, part.size);
}

SharedStateScope::~SharedStateScope() {
    const char* next = saved_.data();
    for (const Part& part : kParts) {
        std::memcpy(part.at, next, part.size);
        next += part.size;
    }
}

}  // namespace vftest
