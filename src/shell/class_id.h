#pragma once
// The class identifier of the context-menu extension, the one class the
// module serves. Its one spelling is VF_CLASS_ID in CMakeLists.txt, which the
// build writes into shell/class_id_text.h for the module and into
// installer.env for the installers; the binary form is computed from it.
#include <windows.h>

#include "shell/class_id_text.h"

inline constexpr char kShellExtensionClassIdText[] = VF_CLASS_ID_TEXT;

extern const CLSID CLSID_VeilfoldShellExtension;
