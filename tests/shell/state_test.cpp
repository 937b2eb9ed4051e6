// The string table as compiled into veilfold.dll, and the string loader.
#include <gtest/gtest.h>

#include <string>

#include "paths.h"
#include "resource.h"
#include "shell/messages.h"
#include "shell/state.h"

namespace {

struct Entry {
    UINT id;
    const char* text;
};

const Entry kStringTable[] = {
    {109, "Enter your new encryption password."},
    {110, "RetainKey"},
    {111, "RetainTime"},
    {115, "Your password key was not found or is invalid.\nPlease enter your encryption password."},
    {117, "Software\\Veilfold\\Configuration"},
    {118, "HashedKey"},
    {119, "Encrypt selected files."},
    {120, "Decrypt selected files."},
    {121, "No password entered"},
    {122, "Passwords don't match."},
    {123, "Incorrect password."},
    {124, "Unable to find file or directory %s. Do you wish to continue processing the next file?"},
    {126, "Encrypting Files..."},
    {127, "Decrypting Files..."},
    {128, "Key"},
    {129, "Software\\Veilfold\\Temp"},
    {130, "Unable to open file %s.\r\nContinue processing the next file?"},
    {131, "%s appears to already be encrypted. Are you sure you want to encrypt it?"},
    {132, "%s does not appear to be encrypted. Are you sure you want to decrypt it?"},
};

class ModuleStrings : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA((vftest::ExeDir() + "\\veilfold.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "veilfold.dll must sit beside the test";
    }
    void TearDown() override { FreeLibrary(module_); }
    HMODULE module_ = nullptr;
};

TEST_F(ModuleStrings, EveryEntryHasItsExactText) {
    for (const Entry& e : kStringTable) EXPECT_STREQ(LoadResString(module_, e.id), e.text) << "string " << e.id;
}

TEST_F(ModuleStrings, IdsWithoutAnEntryGiveTheEmptyString) {
    for (UINT id : {112u, 113u, 114u, 116u, 125u, 60000u}) {
        const char* text = LoadResString(module_, id);
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

TEST(LoadResString, ExclamationMarkJoinsTheNextEntry) {
    EXPECT_STREQ(LoadResString(g_hInstance, 9000), "Continued across three entries");
    EXPECT_STREQ(LoadResString(g_hInstance, 9001), "across three entries");
    // A chain that runs into a missing id keeps what it gathered.
    EXPECT_STREQ(LoadResString(g_hInstance, 9010), "Cut short");
}

}  // namespace
