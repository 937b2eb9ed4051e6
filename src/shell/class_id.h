#pragma once
// The class identifier of the context-menu extension, the one class the
// module serves. kShellExtensionClassIdText is its only spelling: the binary
// form is computed from it, and the build reads it from this file for the
// registration scripts and the installers.
#include <windows.h>

inline constexpr char kShellExtensionClassIdText[] = "{02BE9CA9-391D-44FB-BDD7-559FBF043D4B}";

extern const CLSID CLSID_VeilfoldShellExtension;
