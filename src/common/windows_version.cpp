#include "common/windows_version.h"

OSVERSIONINFOA WindowsVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) version = OSVERSIONINFOA{};
    return version;
}
