// The credits animation in a real About window.
#include <windows.h>
#include <gtest/gtest.h>
#include <mmsystem.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "about/about.h"
#include "about/about_window.h"
#include "about/credits.h"
#include "about_test_support.h"
#include "common/state.h"

namespace {

using abouttest::WaitAboutWindow;

const char kThreeLines[] = "Alpha\nBeta\nGamma";

TEST(CreditsAnimation, RainbowPaletteFollowsOneWaveAndCanBeAnimated) {
    RainbowPalette palette;
    std::memset(&palette, 0xCC, sizeof palette);
    BuildRainbowPalette(palette);
    EXPECT_EQ(palette.palVersion, 0x300);
    EXPECT_EQ(palette.palNumEntries, 48);
    const struct {
        int entry;
        BYTE red, green, blue;
    } telling[] = {{0, 0, 223, 255},  {7, 0, 0, 255},  {15, 255, 0, 255}, {23, 255, 0, 0},
                   {31, 255, 255, 0}, {39, 0, 255, 0}, {47, 0, 255, 255}, {8, 31, 0, 255}};
    for (const auto& t : telling) {
        const PALETTEENTRY& e = palette.palPalEntry[t.entry];
        EXPECT_EQ(e.peRed, t.red) << "entry " << t.entry;
        EXPECT_EQ(e.peGreen, t.green) << "entry " << t.entry;
        EXPECT_EQ(e.peBlue, t.blue) << "entry " << t.entry;
    }
    for (const PALETTEENTRY& e : palette.palPalEntry) EXPECT_EQ(e.peFlags, PC_RESERVED);
    HPALETTE created = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(GetPaletteEntries(created, 0, 0, nullptr), 48u);
    DeleteObject(created);
}

// Frames as the animation reports them, and a hook that runs on the animation's thread.
struct FrameLog {
    std::mutex mutex;
    std::vector<DWORD> frameTimes;
    DWORD lastSeenAt = 0;  // the test's own clock at the last frame
    std::atomic<int> count{0};
    std::atomic<bool> ended{false};
    std::function<void(int)> onFrame;

    static void Record(int frame, DWORD frameTime, void* context) {
        auto* log = static_cast<FrameLog*>(context);
        if (frame == kCreditsEnded) {
            log->ended = true;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(log->mutex);
            log->frameTimes.push_back(frameTime);
            log->lastSeenAt = timeGetTime();
        }
        ++log->count;
        if (log->onFrame) log->onFrame(frame);
    }
};

class ObservedFrames {
public:
    explicit ObservedFrames(FrameLog& log) { SetCreditsFrameObserver(&FrameLog::Record, &log); }
    ~ObservedFrames() { SetCreditsFrameObserver(nullptr, nullptr); }
};

// A full run of a three-line text in the About window takes about 6 s at 33 ms a frame.
constexpr DWORD kAnimationEndTimeoutMs = 60000;

void WaitForAnimationEnd(vftest::Gui& ui, FrameLog& log) {
    ui.WaitUntil(
        "the end of the animation", [&] { return log.ended.load(); }, kAnimationEndTimeoutMs);
}

void WaitForFrames(vftest::Gui& ui, FrameLog& log, int frames) {
    ui.WaitUntil(std::to_string(frames) + " frames", [&] { return log.count >= frames; });
}

struct ClientColours {
    int black = 0;
    int red = 0;
    int other = 0;
    std::set<COLORREF> lit;  // every colour that is not black
};

ClientColours ReadClientColours(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ kept = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    GdiFlush();
    ClientColours colours;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (long n = 0; n < client.right * client.bottom; ++n) {
        const DWORD rgb = pixels[n] & 0xFFFFFF;
        if (rgb == 0)
            ++colours.black;
        else if (rgb == 0xFF0000)
            ++colours.red;
        else
            ++colours.other;
        if (rgb) colours.lit.insert(rgb);
    }
    SelectObject(memory, kept);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return colours;
}

bool DisplayHasPalette(HWND window) {
    HDC dc = GetDC(window);
    const bool palette = GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE;
    ReleaseDC(window, dc);
    return palette;
}

int SystemFontHeight(HWND window) {
    HDC dc = GetDC(window);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(window, dc);
    return metrics.tmHeight;
}

TEST(CreditsAnimation, FullRunScrollsTextAndWindowHeightAtTheFramePace) {
    FrameLog log;
    ObservedFrames observed(log);
    std::atomic<int> inspectAt{-1};
    HWND aboutSeen = nullptr;
    bool palette = false;
    ClientColours colours;
    log.onFrame = [&](int frame) {
        if (frame != inspectAt) return;
        colours = ReadClientColours(aboutSeen);
        vftest::SaveScreenshot(palette ? "credits-mid-run-palette" : "credits-mid-run");
    };
    int textHeight = 0, clientHeight = 0;
    DWORD clickedAt = 0;
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND about = WaitAboutWindow(ui);
        RECT client;
        GetClientRect(about, &client);
        clientHeight = client.bottom;
        textHeight = 3 * SystemFontHeight(about);
        palette = DisplayHasPalette(about);
        aboutSeen = about;
        inspectAt = textHeight + 10;  // every line has entered and is still in view
        clickedAt = timeGetTime();
        ui.Click(about, 1000);
        WaitForFrames(ui, log, 5);
        PostMessageA(about, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));  // does not stop it
        PostMessageA(about, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
        WaitForAnimationEnd(ui, log);
        ui.Screenshot("credits-after-run");
        ui.PressKey(VK_ESCAPE);
        ui.WaitGone(about);
    });
    RunAboutWindow(g_hInstance, nullptr, nullptr, "Title", nullptr, "Text", kThreeLines, "Veilfold");
    gui.Join();

    ASSERT_GT(textHeight, 0);
    EXPECT_EQ(log.count, textHeight + clientHeight);
    for (size_t n = 1; n < log.frameTimes.size(); ++n)
        ASSERT_GE(log.frameTimes[n] - log.frameTimes[n - 1], 33u) << "frame " << n;
    EXPECT_GE(log.lastSeenAt - clickedAt, 33u * log.count) << "every frame waits its 33 ms";

    EXPECT_GT(colours.black, 0);
    if (palette) {
        // Lines drawn in different frames take different palette colours.
        EXPECT_GE(colours.lit.size(), 2u);
    } else {
        EXPECT_GT(colours.red, 0);
        EXPECT_EQ(colours.other, 0) << "solid red on black";
    }
}

enum class StopInput { Key, LeftClick };
constexpr int kStopAtFrame = 80;  // every line of our texts is in view

TEST(CreditsAnimation, KeyOrLeftClickStopsItAndIsSwallowed) {
    for (StopInput input : {StopInput::Key, StopInput::LeftClick}) {
        SCOPED_TRACE(input == StopInput::Key ? "key" : "left click");
        FrameLog log;
        ObservedFrames observed(log);
        std::atomic<HWND> aboutSeen{nullptr};
        int framesBefore = 0;
        // The input is sent from the animation's own thread at a known frame,
        // so that "the next frame" does not depend on how fast the helper is.
        log.onFrame = [&](int frame) {
            if (frame != kStopAtFrame) return;
            if (input == StopInput::Key) vftest::SaveScreenshot("credits-our-texts");
            framesBefore = log.count;
            // Unswallowed, either would press "&OK" (which has the focus) and
            // close the window. Sent to the button itself, not to whatever has
            // the focus at that moment on a busy desktop.
            HWND ok = GetDlgItem(aboutSeen, IDOK);
            if (input == StopInput::Key) {
                vftest::PostKeyPress(ok, VK_RETURN);
            } else {
                PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            }
        };
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND about = WaitAboutWindow(ui);
            aboutSeen = about;
            ui.Click(about, 1000);
            WaitForAnimationEnd(ui, log);
            EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about)) << "the input reached the window";
            ui.PressKey(VK_ESCAPE);
            ui.WaitGone(about);
        });
        ShowAboutBox(nullptr);
        gui.Join();
        EXPECT_LE(log.count - framesBefore, 2) << "stops at the next frame";
    }
}

}  // namespace
