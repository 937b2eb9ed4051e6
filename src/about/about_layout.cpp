#include "about/about_layout.h"

#include <algorithm>

namespace {

std::int32_t Bottom(const AboutCell& cell) { return cell.y + cell.height; }

void PlaceIconCell(AboutLayout& layout, const LayoutUnits& units, TextExtent icon) {
    layout.icon.x = units.ux;
    layout.icon.y = units.uy;
    if (icon.width <= 0 || icon.height <= 0) return;
    layout.icon.width = icon.width + units.ux;
    layout.icon.height = icon.height + units.uy;
    layout.width += layout.icon.width;
    layout.height += layout.icon.height;
}

void PlaceTitle(AboutLayout& layout, const LayoutUnits& units, const char* title, AboutMeasurer& measurer) {
    AboutCell& cell = layout.cells[kTitleCell];
    cell.x = units.ux + layout.icon.width;
    cell.y = units.uy;
    if (!title || !MeasureTextCell(measurer, cell, title, TextFont::Title, units)) return;
    layout.width = cell.x + cell.width;
    layout.height = std::max(layout.height, Bottom(cell));
    cell.id = kIdTitle;
}

void PlaceText(AboutLayout& layout, const LayoutUnits& units, const char* text, AboutMeasurer& measurer) {
    const AboutCell& title = layout.cells[kTitleCell];
    AboutCell& cell = layout.cells[kTextCell];
    cell.x = title.x;
    cell.y = title.y + title.height;
    if (!MeasureTextCell(measurer, cell, text, TextFont::System, units)) return;
    if (cell.width > title.width) layout.width = cell.x + cell.width;
    layout.height = std::max(layout.height, Bottom(cell));
}

void WidenForCredits(AboutLayout& layout, const char* credits, AboutMeasurer& measurer) {
    TextExtent extent{};
    if (credits && measurer.MeasureUnwrapped(credits, extent)) layout.width = std::max(layout.width, extent.width);
}

void SetCell(AboutCell& cell, std::int32_t x, std::int32_t y, TextExtent size) {
    cell.x = x;
    cell.y = y;
    cell.width = size.width;
    cell.height = size.height;
}

// The two-row table of memory and processor: labels left, values right.
void PlaceGrid(AboutLayout& layout, const LayoutUnits& units, std::int32_t lineHeight) {
    const std::int32_t rowHeight = lineHeight + units.uy;
    const std::int32_t columnWidth = (layout.width - units.ux) / 2;
    const std::int32_t top = layout.height + units.uy;
    const TextExtent size{columnWidth, rowHeight};
    SetCell(layout.cells[kMemoryLabelCell], units.ux, top, size);
    SetCell(layout.cells[kMemoryCell], units.ux + columnWidth, top, size);
    SetCell(layout.cells[kProcessorLabelCell], units.ux, top + rowHeight, size);
    SetCell(layout.cells[kProcessorCell], units.ux + columnWidth, top + rowHeight, size);
    layout.height = top + 2 * rowHeight;
}

// "&OK" alone is centred; with "&Credits" the two share the width.
void PlaceButtons(AboutLayout& layout, const LayoutUnits& units, std::int32_t lineHeight, bool withCredits) {
    const TextExtent size{(layout.width - units.ux) / 2, units.uy + (3 * lineHeight) / 2};
    AboutCell& ok = layout.cells[kOkCell];
    const std::int32_t okX = withCredits ? units.ux : (layout.width - units.ux - size.width) / 2;
    SetCell(ok, okX, layout.height, size);
    ok.id = kIdOk;
    ok.text = kOkText;
    if (withCredits) {
        AboutCell& credits = layout.cells[kCreditsCell];
        SetCell(credits, ok.x + size.width, layout.height, size);
        credits.id = kIdCredits;
        credits.text = kCreditsText;
    }
    layout.height += size.height;
}

}  // namespace

std::int32_t RoundUpToUnit(std::int32_t value, std::int32_t unit) { return unit * ((value + unit - 1) / unit); }

bool MeasureTextCell(AboutMeasurer& measurer, AboutCell& cell, const char* text, TextFont font,
                     const LayoutUnits& units) {
    TextExtent extent{};
    if (!text || !measurer.MeasureWrapped(text, font, extent)) return false;
    cell.width = RoundUpToUnit(extent.width, units.ux) + units.ux;
    cell.height = RoundUpToUnit(extent.height, units.uy) + units.uy;
    cell.text = text;
    return true;
}

void WidenForColumns(AboutLayout& layout, const char* text, AboutMeasurer& measurer, const LayoutUnits& units) {
    TextExtent extent{};
    if (!text || !measurer.MeasureLine(text, extent)) return;
    layout.width = std::max(layout.width, 2 * RoundUpToUnit(extent.width, units.ux) + 3 * units.ux);
}

void LayOutAboutBox(const AboutContent& content, const LayoutUnits& units, AboutMeasurer& measurer,
                    AboutLayout& layout) {
    layout = AboutLayout{};
    layout.width = units.ux;
    layout.height = units.uy;
    PlaceIconCell(layout, units, content.icon);
    PlaceTitle(layout, units, content.title, measurer);
    PlaceText(layout, units, content.text, measurer);

    const char* const gridTexts[] = {kMemoryLabel, content.memory, kProcessorLabel, content.processor};
    for (int n = 0; n < 4; ++n) {
        layout.cells[kMemoryLabelCell + n].text = gridTexts[n];
        WidenForColumns(layout, gridTexts[n], measurer, units);
    }
    WidenForCredits(layout, content.credits, measurer);

    const std::int32_t lineHeight = RoundUpToUnit(measurer.FontHeight(), units.uy);
    PlaceGrid(layout, units, lineHeight);
    PlaceButtons(layout, units, lineHeight, content.credits != nullptr);
}

WindowPlace CentreOnAnchor(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                           TextExtent outer, TextExtent screen) {
    auto clamp = [](std::int32_t position, std::int32_t size, std::int32_t screenSize) {
        if (position < 0) return 0;
        if (position + size > screenSize) return screenSize - size;
        return position;
    };
    return WindowPlace{clamp((left + right - outer.width) / 2, outer.width, screen.width),
                       clamp((top + bottom - outer.height) / 2, outer.height, screen.height)};
}
