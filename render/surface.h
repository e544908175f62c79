// The portable frame surface: 512 x 512 palette indices in the bottom-up row
// order of a Windows DIB (byte k is column k % 512, row 511 - k / 512 from the
// top), its 256-entry palette, and the ink text is written in; with the frame
// operations on it that the frontends' seams hand on (render/text_ops.cpp for
// the Linux game and the browser, sim/text_ops.cpp for the simulator).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/game_state.h"
#include "core/palette.h"
#include "screens/text_ops.h"

struct FrameSurface {
    uint8_t pixels[kStarFieldBytes];
    Rgb palette[kPaletteEntries];
    uint8_t ink;  // palette entry of the current text colour
};

extern FrameSurface frame_surface;

// Zeroes the pixels (all black) and draws the palette; the palette's draws are
// the first of the run, so this comes before the first ResetGame.
void CreateFrameSurface();

// The palette entry nearest to a colour by the least sum of squared
// differences, the lowest entry winning a tie: white gives 255, red 253.
uint8_t NearestPaletteEntry(const Rgb palette[kPaletteEntries], Rgb colour);

// Byte offset of the pixel at (x, y), y counted from the top.
inline std::size_t PixelOffset(int32_t x, int32_t y) {
    return static_cast<std::size_t>(kSurfaceSize - 1 - y) * kSurfaceSize +
           static_cast<std::size_t>(x);
}

// The star field over the whole surface, and the five text operations of
// screens/text_ops.h, as the portable renderer draws them.
void PaintStarField();
void SetSurfaceInk(Rgb colour);
ScreenFont SelectSurfaceFont(const char* face, int32_t height, int32_t width);
void ReleaseSurfaceFont(ScreenFont font);
void DrawSurfaceText(int32_t x, int32_t y, const char* text, int32_t length);
void DrawSurfaceCentredLine(const Rect& rect, const char* text);
