// The end-to-end tests run on one thread that is COM's and the shell's, as
// Explorer's thread is.
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

#include "gui.h"

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    vftest::UseGoogleTestReporting();
    int status = RUN_ALL_TESTS();
    OleUninitialize();
    return status;
}
