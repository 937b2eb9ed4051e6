// The memory and processor texts of the About window.
#include <gtest/gtest.h>

#include "about/system_info.h"

namespace {

TEST(SystemInfo, MemoryIsShownInWholeKilobytes) {
    const struct {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {33554432, "32768 KB"},
        {33553408, "32767 KB"},  // the partial kilobyte is dropped, not rounded up
        {1023, "0 KB"},
        {0xFFFFFFFFull, "4194303 KB"},  // the most a 32-bit count can say
        {8ull << 30, "8388608 KB"},     // a 64-bit build sees more
        {1ull << 62, "4294967295 KB"},  // held to 32 bits: still fits the buffer
    };
    for (const auto& c : cases) {
        char buffer[kSystemTextSize];
        FormatMemoryText(c.bytes, buffer);
        EXPECT_STREQ(buffer, c.text) << c.bytes;
    }
}

TEST(SystemInfo, ProcessorTypeIsNamedOrUnknown) {
    const struct {
        DWORD type;
        const char* name;
    } cases[] = {{386, "386"},   {486, "486"},     {586, "PENTIUM"},
                 {0, "Unknown"}, {587, "Unknown"}, {PROCESSOR_AMD_X8664, "Unknown"}};
    for (const auto& c : cases) {
        char buffer[kSystemTextSize];
        EXPECT_EQ(GetProcessorName(buffer, c.type), buffer);
        EXPECT_STREQ(buffer, c.name) << c.type;
    }
}

TEST(SystemInfo, ThisMachineIsDescribed) {
    char memory[kSystemTextSize];
    FormatPhysicalMemory(memory);
    const std::string text = memory;
    ASSERT_GT(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 3), " KB");
    EXPECT_NE(text, "0 KB");
    EXPECT_GE(GetWindowsMajorVersion(), 4u);
}

}  // namespace
