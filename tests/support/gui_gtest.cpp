// The GUI driver's failures as GoogleTest failures of the running test.
#include <gtest/gtest.h>

#include "gui.h"

namespace vftest {

void UseGoogleTestReporting() {
    GuiReporting reporting;
    reporting.fail = [](const std::string& what) { ADD_FAILURE() << what; };
    reporting.testFailed = [] { return ::testing::Test::HasFailure(); };
    reporting.testName = [] {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(test ? test->name() : "helper");
    };
    SetGuiReporting(std::move(reporting));
}

}  // namespace vftest
