// The string loader. The module's own table is read back from the built DLL
// by tests/static/check_dll.py.
#include <gtest/gtest.h>

#include <thread>

#include "common/messages.h"
#include "common/state.h"
#include "resource.h"

namespace {

TEST(LoadResString, IdsWithoutAnEntryGiveTheEmptyString) {
    // 9005 is a free slot in a block of the table; 60000 lies in no block at all.
    for (UINT id : {9005u, 60000u}) {
        const char* text = LoadResString(g_hInstance, id);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "") << "string " << id;
    }
}

TEST(LoadResString, ThreeLoadsStayIntactAndTheFourthReusesTheFirst) {
    const char* first = LoadResString(g_hInstance, 119);
    const char* second = LoadResString(g_hInstance, 120);
    const char* third = LoadResString(g_hInstance, 121);
    EXPECT_STREQ(first, "Encrypt selected files.");
    EXPECT_STREQ(second, "Decrypt selected files.");
    EXPECT_STREQ(third, "No password entered");
    const char* fourth = LoadResString(g_hInstance, 123);
    EXPECT_EQ(fourth, first);
    EXPECT_STREQ(first, "Incorrect password.");
    EXPECT_STREQ(second, "Decrypt selected files.");
}

TEST(LoadResString, EachThreadHasItsOwnBuffers) {
    const char* first = LoadResString(g_hInstance, 119);
    const char* second = LoadResString(g_hInstance, 9000);
    // Another thread loads more than three texts, as a help-text request from
    // the shell may while a run holds its own.
    const char* otherFirst = nullptr;
    std::thread([&] {
        otherFirst = LoadResString(g_hInstance, 121);
        for (UINT id : {122u, 123u, 9001u, 120u}) LoadResString(g_hInstance, id);
        EXPECT_STREQ(LoadResString(g_hInstance, 9000), "Continued across three entries");
    }).join();
    EXPECT_STREQ(first, "Encrypt selected files.");
    EXPECT_STREQ(second, "Continued across three entries");
    EXPECT_NE(otherFirst, first);
    EXPECT_NE(otherFirst, second);
    // The rotation of this thread went on where it was.
    const char* third = LoadResString(g_hInstance, 121);
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
    EXPECT_EQ(LoadResString(g_hInstance, 123), first);
}

TEST(LoadResString, ExclamationMarkJoinsTheNextEntry) {
    EXPECT_STREQ(LoadResString(g_hInstance, 9000), "Continued across three entries");
    EXPECT_STREQ(LoadResString(g_hInstance, 9001), "across three entries");
    // A chain that runs into a missing id keeps what it gathered.
    EXPECT_STREQ(LoadResString(g_hInstance, 9010), "Cut short");
    EXPECT_EQ(LoadResText(g_hInstance, 9000), L"Continued across three entries");
    EXPECT_EQ(LoadResText(g_hInstance, 9010), L"Cut short");
    EXPECT_EQ(LoadResText(g_hInstance, 8999), L"");
}

}  // namespace
