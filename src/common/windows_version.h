#pragma once
// The running Windows' version, for the parts that depend on its family or age.
#include <windows.h>

// What GetVersionExA reports; all zero (platform 0, major version 0) when it
// cannot be read, which every caller takes as the oldest, non-NT case.
OSVERSIONINFOA WindowsVersion();
