// The text operations every screen is drawn with. A frontend supplies them
// for its surface: the portable renderer (render/, for the Linux game and
// the browser; the simulator adds its trace), GDI (win/), or a test's
// recording double. Texts are code page 932 byte strings.
#pragma once

#include <cstdint>

#include "core/palette.h"
#include "text/rect.h"

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};

// The font a group of texts is drawn in, and the one it replaced in the
// drawing context, which ReleaseScreenFont selects back before deleting it.
struct ScreenFont {
    void* created;
    void* replaced;
};

// Sets the text colour with a transparent background; it stays in force,
// across frames, until the next call.
void SetInk(Rgb colour);

// A bold (weight 700) font of the face, matched to this cell height
// (internal leading included) and stretched to this average character width.
ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width);
void ReleaseScreenFont(ScreenFont font);

// The first `length` bytes of text on one line, the top-left of the first
// character cell at (x, y); clipped only by the surface.
void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length);

// The whole NUL-terminated text as one line, centred both ways in the
// rectangle (vertically by the cell height) and clipped to it.
void DrawCentredLine(const Rect& rect, const char* text);
