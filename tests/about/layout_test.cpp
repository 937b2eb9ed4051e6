// The About window's layout arithmetic, with the measurements made up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "about/about_layout.h"

namespace {

struct Measured {
    const char* text;
    TextExtent extent;
};

// Answers from a table; a text that is not in it cannot be measured.
class TableMeasurer : public AboutMeasurer {
public:
    TableMeasurer(std::vector<Measured> sizes, std::int32_t fontHeight)
        : sizes_(std::move(sizes)), fontHeight_(fontHeight) {}
    bool MeasureWrapped(const char* text, TextFont, TextExtent& extent) override { return Find(text, extent); }
    bool MeasureLine(const char* text, TextExtent& extent) override { return Find(text, extent); }
    bool MeasureUnwrapped(const char* text, TextExtent& extent) override { return Find(text, extent); }
    std::int32_t FontHeight() override { return fontHeight_; }

private:
    bool Find(const char* text, TextExtent& extent) {
        for (const Measured& m : sizes_)
            if (std::strcmp(m.text, text) == 0) {
                extent = m.extent;
                return true;
            }
        return false;
    }
    std::vector<Measured> sizes_;
    std::int32_t fontHeight_;
};

// Where a control stands: (x, y) and its size without the cell's gaps. w < 0: no control.
struct ControlRect {
    std::int32_t x, y, w, h;
};
constexpr ControlRect kNone{0, 0, -1, -1};

struct LayoutCase {
    const char* name;
    AboutContent content;
    std::vector<Measured> sizes;
    TextExtent client;
    ControlRect controls[kAboutCellCount];
};

const char kTitle[] = "Title";
const char kText[] = "Second line";
const char kMemory[] = "32768 KB";
const char kProcessor[] = "PENTIUM";
const char kCredits[] = "Credits";

// A row a case, as the layout reads.
// clang-format off
const std::vector<Measured> kWorkedSizes = {
    {kTitle, {200, 22}},        {kText, {250, 16}},           {kMemoryLabel, {100, 16}}, {kMemory, {60, 16}},
    {kProcessorLabel, {95, 16}}, {kProcessor, {55, 16}},       {kCredits, {300, 160}}};
// clang-format on

std::vector<Measured> With(std::vector<Measured> sizes, Measured changed) {
    for (Measured& m : sizes)
        if (std::strcmp(m.text, changed.text) == 0) m.extent = changed.extent;
    return sizes;
}

// A row a case, as the layout reads.
// clang-format off
const LayoutCase kCases[] = {
    {"worked example: icon, title, text, grid, two buttons",
     {kTitle, kText, kMemory, kProcessor, kCredits, {32, 32}},
     kWorkedSizes,
     {300, 124},
     {{40, 4, 200, 24}, {40, 32, 252, 16}, {4, 56, 144, 16}, {152, 56, 144, 16}, {4, 76, 144, 16},
      {152, 76, 144, 16}, {4, 96, 144, 24}, {152, 96, 144, 24}}},
    {"no credits: one centred OK button",
     {kTitle, kText, kMemory, kProcessor, nullptr, {32, 32}},
     kWorkedSizes,
     {296, 124},
     {{40, 4, 200, 24}, {40, 32, 252, 16}, {4, 56, 142, 16}, {150, 56, 142, 16}, {4, 76, 142, 16},
      {150, 76, 142, 16}, {73, 96, 142, 24}, kNone}},
    {"title wider than half the screen wraps; the text moves down",
     {kTitle, kText, kMemory, kProcessor, kCredits, {32, 32}},
     With(kWorkedSizes, {kTitle, {480, 44}}),
     {524, 144},
     {{40, 4, 480, 44}, {40, 52, 252, 16}, {4, 76, 256, 16}, {264, 76, 256, 16}, {4, 96, 256, 16},
      {264, 96, 256, 16}, {4, 116, 256, 24}, {264, 116, 256, 24}}},
    {"no icon, unmeasurable title, odd sizes rounded up, widest grid text sets the width",
     {kTitle, kText, kMemory, kProcessor, nullptr, {0, 0}},
     {{kText, {101, 15}}, {kMemoryLabel, {150, 16}}, {kMemory, {60, 16}}, {kProcessorLabel, {95, 16}},
      {kProcessor, {55, 16}}},
     {316, 96},
     {kNone, {4, 4, 104, 16}, {4, 28, 152, 16}, {160, 28, 152, 16}, {4, 48, 152, 16}, {160, 48, 152, 16},
      {78, 68, 152, 24}, kNone}},
};
// clang-format on

TEST(AboutLayout, PlacesEveryControlFromTheMeasurements) {
    const LayoutUnits units{4, 4};
    for (const LayoutCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TableMeasurer measurer(c.sizes, 16);
        AboutLayout layout;
        LayOutAboutBox(c.content, units, measurer, layout);
        EXPECT_EQ(layout.width, c.client.width);
        EXPECT_EQ(layout.height, c.client.height);
        for (int n = 0; n < kAboutCellCount; ++n) {
            SCOPED_TRACE("cell " + std::to_string(n));
            const AboutCell& cell = layout.cells[n];
            const ControlRect& want = c.controls[n];
            if (want.w < 0) {
                EXPECT_TRUE(cell.id == 0 && cell.text == nullptr) << "an empty cell makes no control";
                continue;
            }
            ASSERT_NE(cell.text, nullptr);
            EXPECT_EQ(cell.x, want.x);
            EXPECT_EQ(cell.y, want.y);
            EXPECT_EQ(cell.width - units.ux, want.w);
            EXPECT_EQ(cell.height - units.uy, want.h);
        }
    }
}

TEST(AboutLayout, CellsCarryTheirIdsAndTexts) {
    TableMeasurer measurer(kWorkedSizes, 16);
    AboutLayout layout;
    LayOutAboutBox({kTitle, kText, kMemory, kProcessor, kCredits, {32, 32}}, {4, 4}, measurer, layout);
    const struct {
        std::uint16_t id;
        const char* text;
    } expected[kAboutCellCount] = {
        {1001, kTitle},  {0, kText}, {0, "Physical Memory:"}, {0, kMemory}, {0, "Processor Type:"},
        {0, kProcessor}, {1, "&OK"}, {1000, "&Credits"}};
    for (int n = 0; n < kAboutCellCount; ++n) {
        EXPECT_EQ(layout.cells[n].id, expected[n].id) << "cell " << n;
        EXPECT_STREQ(layout.cells[n].text, expected[n].text) << "cell " << n;
    }
    EXPECT_EQ(layout.icon.x, 4);
    EXPECT_EQ(layout.icon.y, 4);
}

TEST(AboutLayout, MeasureTextCellLeavesTheCellAloneWhenMeasuringFails) {
    TableMeasurer measurer({}, 16);
    AboutCell cell{7, 8, 9, 10, 0, nullptr};
    EXPECT_FALSE(MeasureTextCell(measurer, cell, "unknown", TextFont::System, {4, 4}));
    EXPECT_FALSE(MeasureTextCell(measurer, cell, nullptr, TextFont::System, {4, 4}));
    EXPECT_EQ(cell.width, 9);
    EXPECT_EQ(cell.height, 10);
    EXPECT_EQ(cell.text, nullptr);
}

struct PlaceCase {
    const char* name;
    std::int32_t left, top, right, bottom;
    TextExtent outer;
    TextExtent screen;
    WindowPlace expected;
};

TEST(AboutLayout, CentresOnTheAnchorAndKeepsTheWindowOnTheScreen) {
    const PlaceCase cases[] = {
        {"inside the screen", 100, 100, 500, 300, {310, 150}, {640, 480}, {145, 125}},
        {"past the right edge, above the top", 500, 0, 640, 100, {310, 150}, {640, 480}, {330, 0}},
        {"left of the screen, past the bottom", 0, 400, 200, 480, {310, 150}, {640, 480}, {0, 330}},
        {"on the desktop", 0, 0, 1024, 768, {310, 150}, {1024, 768}, {357, 309}},
    };
    for (const PlaceCase& c : cases) {
        WindowPlace place = CentreOnAnchor(c.left, c.top, c.right, c.bottom, c.outer, c.screen);
        EXPECT_EQ(place.x, c.expected.x) << c.name;
        EXPECT_EQ(place.y, c.expected.y) << c.name;
    }
}

}  // namespace
