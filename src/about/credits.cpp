#include "about/credits.h"

#include <mmsystem.h>

#include <algorithm>

#include "about/about_window.h"

namespace {

constexpr DWORD kFrameMs = 33;  // at most about 30 lines a second
constexpr UINT kDrawFlags = DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

CreditsFrameObserver s_frameObserver;
void* s_frameObserverContext;

// One rainbow wave of 48 steps, each colour channel offset along it.
BYTE RainbowLevel(int step) {
    const int level = step < 24 ? 32 * (step + 1) - 257 : 511 - 32 * (step - 23);
    return static_cast<BYTE>(std::clamp(level, 0, 255));
}

// The GDI objects of one run; each is released only if it was obtained.
struct CreditsScene {
    HWND window = nullptr;
    HDC screen = nullptr;  // the window's device context
    HDC memory = nullptr;
    HBITMAP text = nullptr;  // monochrome: black text on white
    HGDIOBJ keptBitmap = nullptr;
    HPALETTE palette = nullptr;
    HPALETTE keptPalette = nullptr;
    RainbowPalette colours{};
    RECT client{};
    SIZE textSize{};
};

bool DrawTextBitmap(CreditsScene& scene) {
    scene.memory = CreateCompatibleDC(scene.screen);
    const char* credits = AboutCreditsText(scene.window);
    if (!scene.memory || !credits) return false;
    GetClientRect(scene.window, &scene.client);
    RECT measured = scene.client;
    if (!DrawTextA(scene.screen, credits, -1, &measured, DT_CALCRECT | kDrawFlags)) return false;
    scene.textSize = SIZE{measured.right - measured.left, measured.bottom - measured.top};
    scene.text = CreateCompatibleBitmap(scene.memory, scene.textSize.cx, scene.textSize.cy);
    if (!scene.text) return false;
    scene.keptBitmap = SelectObject(scene.memory, scene.text);
    PatBlt(scene.memory, 0, 0, scene.textSize.cx, scene.textSize.cy, WHITENESS);
    RECT block{0, 0, scene.textSize.cx, scene.textSize.cy};
    DrawTextA(scene.memory, credits, -1, &block, kDrawFlags);
    return true;
}

// Rainbow palette where the display has one, else plain red; then a black field.
void PrepareColours(CreditsScene& scene) {
    if (GetDeviceCaps(scene.screen, RASTERCAPS) & RC_PALETTE) {
        BuildRainbowPalette(scene.colours);
        scene.palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&scene.colours));
        if (scene.palette) {
            scene.keptPalette = SelectPalette(scene.screen, scene.palette, FALSE);
            RealizePalette(scene.screen);
        }
    }
    if (!scene.palette) SetTextColor(scene.screen, RGB(255, 0, 0));
    SetBkColor(scene.screen, RGB(0, 0, 0));
    PatBlt(scene.screen, 0, 0, scene.client.right, scene.client.bottom, BLACKNESS);
}

// Takes a key press or left click meant for the window or its controls.
bool TakeStopInput(HWND window) {
    MSG msg;
    return PeekMessageA(&msg, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE) ||
           PeekMessageA(&msg, window, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE);
}

// New lines take the next palette index; every index steps along the rainbow.
void CycleColours(CreditsScene& scene, int frame) {
    SetTextColor(scene.screen, PALETTEINDEX(frame % kRainbowSize));
    PALETTEENTRY* entries = scene.colours.palPalEntry;
    std::rotate(entries, entries + 1, entries + kRainbowSize);
    AnimatePalette(scene.palette, 0, kRainbowSize, entries);
}

// Returns the time the next frame may start, 33 ms after `last` at the
// earliest. Sleeps rather than spins; the millisecond counter decides.
DWORD WaitForNextFrame(DWORD last) {
    for (;;) {
        const DWORD elapsed = timeGetTime() - last;
        if (elapsed >= kFrameMs) return last + elapsed;
        Sleep(kFrameMs - elapsed);
    }
}

void RunFrames(CreditsScene& scene) {
    const int textHeight = scene.textSize.cy;
    const int clientHeight = scene.client.bottom;
    const int frameCount = textHeight + clientHeight;
    const int left = (scene.client.right - scene.textSize.cx) / 2;
    timeBeginPeriod(1);  // so that Sleep keeps to the frame time
    DWORD frameTime = timeGetTime();
    for (int frame = 0; frame < frameCount; ++frame) {
        if (TakeStopInput(scene.window)) break;
        if (scene.palette) CycleColours(scene, frame);
        ScrollDC(scene.screen, 0, -1, &scene.client, nullptr, nullptr, nullptr);
        if (frame < textHeight)
            BitBlt(scene.screen, left, clientHeight - 1, scene.textSize.cx, 1, scene.memory, 0, frame, SRCCOPY);
        frameTime = WaitForNextFrame(frameTime);
        if (s_frameObserver) s_frameObserver(frame, frameTime, s_frameObserverContext);
    }
    timeEndPeriod(1);
}

// The palette is deselected before its context goes back, and deleted after.
void ReleaseScene(CreditsScene& scene) {
    if (scene.keptBitmap) SelectObject(scene.memory, scene.keptBitmap);
    if (scene.text) DeleteObject(scene.text);
    if (scene.memory) DeleteDC(scene.memory);
    if (scene.keptPalette) SelectPalette(scene.screen, scene.keptPalette, FALSE);
    ReleaseDC(scene.window, scene.screen);
    if (scene.palette) DeleteObject(scene.palette);
}

}  // namespace

void BuildRainbowPalette(RainbowPalette& palette) {
    palette.palVersion = 0x300;
    palette.palNumEntries = kRainbowSize;
    for (int k = 0; k < kRainbowSize; ++k) {
        PALETTEENTRY& entry = palette.palPalEntry[k];
        entry.peRed = RainbowLevel(k);
        entry.peGreen = RainbowLevel((k + 32) % kRainbowSize);
        entry.peBlue = RainbowLevel((k + 16) % kRainbowSize);
        entry.peFlags = PC_RESERVED;
    }
}

void RunCreditsAnimation(HWND about) {
    CreditsScene scene;
    scene.window = about;
    scene.screen = GetDC(about);
    if (!scene.screen) return;
    if (DrawTextBitmap(scene)) {
        PrepareColours(scene);
        RunFrames(scene);
        // The window has no WS_CLIPCHILDREN: the controls were drawn over too.
        RedrawWindow(about, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    ReleaseScene(scene);
    if (s_frameObserver) s_frameObserver(kCreditsEnded, timeGetTime(), s_frameObserverContext);
}

void SetCreditsFrameObserver(CreditsFrameObserver observer, void* context) {
    s_frameObserver = observer;
    s_frameObserverContext = context;
}
