#pragma once
// Helpers shared by the crypto tests: hex conversion, and a private temporary
// folder for the tests that touch files. Test data comes from pattern.h.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

inline std::string ToHex(const std::uint8_t* bytes, std::size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t n = 0; n < length; ++n) {
        hex += kDigits[bytes[n] >> 4];
        hex += kDigits[bytes[n] & 0xF];
    }
    return hex;
}

// A fresh folder for each test, removed with everything in it afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ =
            std::filesystem::temp_directory_path() / ("vf-crypto-" + std::string(info->test_suite_name()) + "-" +
                                                      info->name() + "-" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(std::filesystem::create_directory(folder_)) << folder_;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string PathOf(const char* name) const { return (folder_ / name).string(); }

private:
    std::filesystem::path folder_;
};
