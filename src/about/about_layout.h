#pragma once
// The About window's layout: where each control goes, computed from measured
// texts and the two layout units. Pure arithmetic, no Windows calls, so that
// it can be checked with made-up measurements.
#include <cstdint>

// Grid labels and button texts of the About window.
inline constexpr char kMemoryLabel[] = "Physical Memory:";
inline constexpr char kProcessorLabel[] = "Processor Type:";
inline constexpr char kOkText[] = "&OK";
inline constexpr char kCreditsText[] = "&Credits";

// Control ids. IDOK and IDCANCEL (1, 2) both close the window.
inline constexpr std::uint16_t kIdOk = 1;
inline constexpr std::uint16_t kIdCancel = 2;
inline constexpr std::uint16_t kIdCredits = 1000;
inline constexpr std::uint16_t kIdTitle = 1001;

// One control's place in the client area. The control stands at (x, y) and
// measures (width - ux) x (height - uy): every cell carries its own gap on the
// right and at the bottom. A cell with id 0 and no text makes no control.
struct AboutCell {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t id;
    const char* text;  // not owned
};

enum AboutCellIndex {
    kTitleCell,
    kTextCell,
    kMemoryLabelCell,
    kMemoryCell,
    kProcessorLabelCell,
    kProcessorCell,
    kOkCell,
    kCreditsCell,
    kAboutCellCount
};

struct AboutLayout {
    AboutCell icon;  // only reserves room for the icon; never a control
    AboutCell cells[kAboutCellCount];
    std::int32_t width;   // client width W
    std::int32_t height;  // client height H
};

// ux and uy: four window borders each.
struct LayoutUnits {
    std::int32_t ux;
    std::int32_t uy;
};

struct TextExtent {
    std::int32_t width;
    std::int32_t height;
};

enum class TextFont { System, Title };

// Supplies the measurements the layout needs. The window measures on the
// screen's device context; tests supply fixed sizes.
class AboutMeasurer {
public:
    virtual ~AboutMeasurer() = default;
    // Word-wrapped at half the screen width, tabs expanded, no prefixes.
    virtual bool MeasureWrapped(const char* text, TextFont font, TextExtent& extent) = 0;
    // One line, as GetTextExtentPoint sees it.
    virtual bool MeasureLine(const char* text, TextExtent& extent) = 0;
    // Line breaks kept, no wrapping: the credits text.
    virtual bool MeasureUnwrapped(const char* text, TextExtent& extent) = 0;
    // tmHeight of the system font.
    virtual std::int32_t FontHeight() = 0;
};

// What the window shows. Only title and credits may be null.
struct AboutContent {
    const char* title;
    const char* text;
    const char* memory;
    const char* processor;
    const char* credits;
    TextExtent icon;  // 0 x 0 when there is no icon
};

// v rounded up to a whole number of units.
std::int32_t RoundUpToUnit(std::int32_t value, std::int32_t unit);

// Sizes `cell` for `text` wrapped at half the screen width and stores the text
// in it. On a failed measurement the cell is left untouched and false returned.
bool MeasureTextCell(AboutMeasurer& measurer, AboutCell& cell, const char* text, TextFont font,
                     const LayoutUnits& units);

// Makes the client width fit two columns of `text`, each with its gap, plus the left margin.
void WidenForColumns(AboutLayout& layout, const char* text, AboutMeasurer& measurer, const LayoutUnits& units);

// The whole layout, from a zeroed start.
void LayOutAboutBox(const AboutContent& content, const LayoutUnits& units, AboutMeasurer& measurer,
                    AboutLayout& layout);

struct WindowPlace {
    std::int32_t x;
    std::int32_t y;
};

// Centres a window of the outer size over the anchor rectangle (the owner, or
// the desktop), then moves it back onto the screen where it sticks out.
WindowPlace CentreOnAnchor(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                           TextExtent outer, TextExtent screen);
