// Text as the Windows font mapper would draw it, with FreeType:
// a face found by its (code page 932) name, scaled separately to a cell height
// and an average character width, rendered without smoothing into one palette
// index. Faces and glyphs are cached, so after the first use of a font a frame
// loads no file and opens no font.
//
// Where fontconfig has no face of the asked name, the Windows faces the game
// and its dialogs ask for are drawn with these stand-ins:
//   "Times New Roman"  Liberation Serif (same advance widths)
//   "ＭＳ ゴシック"     IPAGothic (fixed-pitch gothic)
//   "ＭＳ 明朝"         IPAMincho (fixed-pitch mincho)
//   "ＭＳ Ｐゴシック"   IPAPGothic (proportional gothic)
//   "System"           Liberation Sans Bold, whatever the weight asked; a
//                      height of 0 gives the 16-pixel cell of the Windows
//                      system font, and width 0 its natural proportions
// Any other name goes to fontconfig's own best match.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/rect.h"

struct RenderFont;  // cached and owned by the renderer; lives until ReleaseRenderFonts

// Any 8-bit target: the frame surface (bottom_up) or a dialog's picture.
struct Canvas {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;  // bytes from one stored row to the next
    bool bottom_up;  // stored rows run from the bottom of the picture up
};

// How the bytes of a text are read.
enum TextFlags : uint32_t {
    kTextPlain = 0,
    // As DrawText without DT_NOPREFIX: a single '&' is not drawn and underlines
    // the character after it; "&&" draws one '&'.
    kTextPrefix = 1,
};

// weight 700 is bold: the family's bold face, or a synthesised bold where the
// family has none. height is the cell height in pixels; width the average
// character width in pixels, or 0 for the face's natural proportions. Never
// returns null: a font whose face cannot be had draws nothing and measures 0.
const RenderFont* OpenRenderFont(const char* face_cp932, int32_t height, int32_t width,
                                 int32_t weight = 700);

int32_t CellHeight(const RenderFont* font);
// Distance from the top of the cell to the baseline.
int32_t FontAscent(const RenderFont* font);
// Sum of the advances of the decoded characters of the text.
int32_t TextWidth(const RenderFont* font, const char* text, std::size_t length,
                  uint32_t flags = kTextPlain);

// Draws length bytes of code page 932 text with the top-left of the first
// character cell at (x, y), writing only `index` into glyph pixels and leaving
// every other pixel as it was; clipped to clip and to the canvas.
void DrawString(const Canvas& canvas, const RenderFont* font, int32_t x, int32_t y,
                const char* text, std::size_t length, uint8_t index, const Rect& clip,
                uint32_t flags = kTextPlain);

// Which face file a font was given, for diagnostics and tests.
struct RenderFontInfo {
    const char* file;    // empty when no face could be had
    const char* family;  // the face's own family name
    bool synthetic_bold;
    int32_t average_width_units;  // the average width the x scale is taken from
    int32_t units_per_em;
};
RenderFontInfo DescribeRenderFont(const RenderFont* font);

// Drops every cached font, face and glyph and the fontconfig configuration;
// pointers from OpenRenderFont become invalid. The next OpenRenderFont starts
// from nothing, as at program start.
void ReleaseRenderFonts();
