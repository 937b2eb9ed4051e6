#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "common/state.h"
#include "gui.h"

int main(int argc, char** argv) {
    // The executable links the module's resource script, so it serves as the
    // module instance for strings and dialog templates.
    g_hInstance = GetModuleHandleA(nullptr);
    InitCommonControls();
    ::testing::InitGoogleTest(&argc, argv);
    vftest::UseGoogleTestReporting();
    return RUN_ALL_TESTS();
}
