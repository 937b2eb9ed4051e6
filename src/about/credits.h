#pragma once
// The credits animation: the credits text rises through the About window's
// client area, one pixel line per frame, in cycling rainbow colours on a
// palette display and in red elsewhere, until it has gone or the user stops it.
#include <windows.h>

#include <cstddef>

inline constexpr int kRainbowSize = 48;

// A LOGPALETTE with room for the whole rainbow.
struct RainbowPalette {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[kRainbowSize];
};
static_assert(offsetof(RainbowPalette, palPalEntry) == offsetof(LOGPALETTE, palPalEntry));

// Fills the header and the 48 animatable entries of one rainbow wave.
void BuildRainbowPalette(RainbowPalette& palette);

// Runs the animation in the About window `about` (its credits text is read
// from the window) and returns when it has ended. A key press or a left click
// on the window stops it; that message is swallowed.
void RunCreditsAnimation(HWND about);

// Called after every frame with the frame's index and the millisecond count at
// which it was released, and once more with kCreditsEnded when the animation
// has ended and the window is being redrawn; lets tests follow the frames.
// Null to stop.
inline constexpr int kCreditsEnded = -1;
using CreditsFrameObserver = void (*)(int frame, DWORD frameTime, void* context);
void SetCreditsFrameObserver(CreditsFrameObserver observer, void* context);
