#include "about/screen_measurer.h"

#include "about/about_window.h"

namespace {

constexpr UINT kWrappedFlags = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
constexpr UINT kUnwrappedFlags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX;

class ScreenMeasurer : public AboutMeasurer {
public:
    ScreenMeasurer(HDC screen, HFONT titleFont) : screen_(screen), titleFont_(titleFont) {}

    bool MeasureWrapped(const char* text, TextFont font, TextExtent& extent) override {
        HGDIOBJ previous = font == TextFont::Title && titleFont_ ? SelectObject(screen_, titleFont_) : nullptr;
        bool measured = Measure(text, GetSystemMetrics(SM_CXSCREEN) / 2, kWrappedFlags, extent);
        if (previous) SelectObject(screen_, previous);
        return measured;
    }

    bool MeasureLine(const char* text, TextExtent& extent) override {
        SIZE size{};
        if (!GetTextExtentPointA(screen_, text, lstrlenA(text), &size)) return false;
        extent = TextExtent{size.cx, size.cy};
        return true;
    }

    bool MeasureUnwrapped(const char* text, TextExtent& extent) override {
        return Measure(text, GetSystemMetrics(SM_CXSCREEN), kUnwrappedFlags, extent);
    }

    std::int32_t FontHeight() override {
        TEXTMETRICA metrics{};
        return GetTextMetricsA(screen_, &metrics) ? metrics.tmHeight : 0;
    }

private:
    bool Measure(const char* text, int width, UINT flags, TextExtent& extent) {
        RECT rect{0, 0, width, 0};
        if (!DrawTextA(screen_, text, -1, &rect, flags)) return false;
        extent = TextExtent{rect.right - rect.left, rect.bottom - rect.top};
        return true;
    }

    HDC screen_;
    HFONT titleFont_;
};

}  // namespace

bool MeasureAboutLayout(const AboutContent& content, HFONT titleFont, AboutLayout& layout) {
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    ScreenMeasurer measurer(screen, titleFont);
    LayOutAboutBox(content, AboutUnits(), measurer, layout);
    ReleaseDC(nullptr, screen);
    return true;
}
