// Texts laid out and drawn as GDI draws them: code page 932 read a character
// at a time, prefix ampersands, glyph runs blitted into any 8-bit canvas.
#include <algorithm>
#include <cstdint>

#include "render/fonts.h"
#include "render/text.h"
#include "text/cp932.h"

namespace {

// Walks the characters of a text as they are laid out: visit(glyph,
// underlined) for each one drawn.
template <typename Visit>
void ForEachCharacter(const char* text, std::size_t length, uint32_t flags, Visit visit) {
    std::size_t i = 0;
    bool underline_next = false;
    while (i < length) {
        if ((flags & kTextPrefix) && text[i] == '&') {
            // '&' is never the second byte of a double-byte character.
            if (i + 1 < length && text[i + 1] == '&') {
                i += 2;
                visit(U'&', underline_next);
                underline_next = false;
            } else {
                ++i;
                underline_next = true;
            }
            continue;
        }
        visit(DecodeCp932Char(text, length, i), underline_next);
        underline_next = false;
    }
}

void FillRow(const Canvas& canvas, int32_t y, int32_t x0, int32_t x1, uint8_t index) {
    uint8_t* row =
        canvas.pixels +
        static_cast<std::ptrdiff_t>(canvas.bottom_up ? canvas.height - 1 - y : y) * canvas.stride;
    std::fill(row + x0, row + x1, index);
}

void FillBox(const Canvas& canvas, const Rect& clip, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
             uint8_t index) {
    x0 = std::max(x0, clip.left);
    x1 = std::min(x1, clip.right);
    y0 = std::max(y0, clip.top);
    y1 = std::min(y1, clip.bottom);
    for (int32_t y = y0; y < y1 && x0 < x1; ++y) {
        FillRow(canvas, y, x0, x1, index);
    }
}

void BlitGlyph(const Canvas& canvas, const Rect& clip, const Glyph& glyph, int32_t pen,
               int32_t baseline, uint8_t index) {
    if (glyph.spans.empty() || pen + glyph.right <= clip.left || pen + glyph.left >= clip.right ||
        baseline + glyph.bottom <= clip.top || baseline + glyph.top >= clip.bottom) {
        return;
    }
    for (const Span& span : glyph.spans) {
        const int32_t y = baseline + span.dy;
        if (y < clip.top || y >= clip.bottom) {
            continue;
        }
        const int32_t x0 = std::max(pen + span.x0, clip.left);
        const int32_t x1 = std::min(pen + span.x1, clip.right);
        if (x0 < x1) {
            FillRow(canvas, y, x0, x1, index);
        }
    }
}

}  // namespace

int32_t TextWidth(const RenderFont* font, const char* text, std::size_t length, uint32_t flags) {
    if (!font || !text) {
        return 0;
    }
    int32_t width = 0;
    ForEachCharacter(text, length, flags,
                     [&](char32_t c, bool) { width += GlyphOf(*font, c).advance; });
    return width;
}

void DrawString(const Canvas& canvas, const RenderFont* font, int32_t x, int32_t y,
                const char* text, std::size_t length, uint8_t index, const Rect& clip,
                uint32_t flags) {
    if (!font || !text || !canvas.pixels) {
        return;
    }
    const Rect box{std::max(clip.left, 0), std::max(clip.top, 0),
                   std::min(clip.right, canvas.width), std::min(clip.bottom, canvas.height)};
    if (box.left >= box.right || box.top >= box.bottom) {
        return;
    }
    const int32_t baseline = y + font->ascent;
    int32_t pen = x;
    ForEachCharacter(text, length, flags, [&](char32_t c, bool underlined) {
        const Glyph& glyph = GlyphOf(*font, c);
        BlitGlyph(canvas, box, glyph, pen, baseline, index);
        if (underlined) {
            const int32_t top = baseline + font->underline_offset;
            FillBox(canvas, box, pen, top, pen + glyph.advance, top + font->underline_thickness,
                    index);
        }
        pen += glyph.advance;
    });
}
