// Text as the Windows font mapper would draw it, with FreeType and fontconfig:
// a face found by its (code page 932) name, scaled separately to a cell height
// and an average character width, rendered without smoothing into one palette
// index. Faces and glyphs are cached, so after the first use of a font a frame
// loads no file and opens no font.
#pragma once

#include <cstddef>
#include <cstdint>

struct RenderFont;  // cached and owned by the renderer; lives for the whole run

// Any 8-bit target: the frame surface (bottom_up) or a dialog's picture.
struct Canvas {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;  // bytes from one stored row to the next
    bool bottom_up;  // stored rows run from the bottom of the picture up
};

struct ClipRect {
    int32_t left;
    int32_t top;
    int32_t right;   // exclusive
    int32_t bottom;  // exclusive
};

// weight 700 is bold: the family's bold face, or a synthesised bold where the
// family has none. height is the cell height in pixels; width the average
// character width in pixels, or 0 for the face's natural proportions.
const RenderFont* OpenRenderFont(const char* face_cp932, int32_t height, int32_t width,
                                 int32_t weight = 700);

int32_t CellHeight(const RenderFont* font);
// Sum of the advances of the decoded characters of the text.
int32_t TextWidth(const RenderFont* font, const char* text, std::size_t length);

// Draws length bytes of code page 932 text with the top-left of the first
// character cell at (x, y), writing only `index` into glyph pixels and leaving
// every other pixel as it was; clipped to clip and to the canvas.
void DrawString(const Canvas& canvas, const RenderFont* font, int32_t x, int32_t y,
                const char* text, std::size_t length, uint8_t index, const ClipRect& clip);
