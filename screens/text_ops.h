// The text operations every screen is drawn with. Each frontend defines them
// for its own surface: the portable renderer, the Win32 GDI layer, or a test's
// recording double. Texts are code page 932 byte strings.
#pragma once

#include <cstdint>

struct Ink {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

constexpr Ink kWhite{255, 255, 255};
constexpr Ink kRed{255, 0, 0};

// The font a group of texts is drawn in, and the one it replaced in the
// drawing context, which ReleaseScreenFont selects back before deleting it.
struct ScreenFont {
    void* created;
    void* replaced;
};

// Right and bottom are exclusive.
struct TextRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Sets the text colour with a transparent background; it stays in force,
// across frames, until the next call.
void SetInk(Ink colour);

// A bold (weight 700) font of the face, matched to this cell height
// (internal leading included) and stretched to this average character width.
ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width);
void ReleaseScreenFont(ScreenFont font);

// The first `length` bytes of text on one line, the top-left of the first
// character cell at (x, y); clipped only by the surface.
void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length);

// The whole NUL-terminated text as one line, centred both ways in the
// rectangle (vertically by the cell height) and clipped to it.
void DrawCentredLine(const TextRect& rect, const char* text);
