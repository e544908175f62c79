// The portable frame surface, its palette, and the frame operations on it.
#include "render/surface.h"

#include <cstring>

#include "render/text.h"

FrameSurface frame_surface;

namespace {

// The device context's default font, which stands selected between groups.
constexpr const char* kSystemFace = "System";

const RenderFont* selected_font = nullptr;

const RenderFont* CurrentFont() {
    if (!selected_font) {
        selected_font = OpenRenderFont(kSystemFace, 16, 0, 700);
    }
    return selected_font;
}

Canvas SurfaceCanvas() {
    return {frame_surface.pixels, kSurfaceSize, kSurfaceSize, kSurfaceSize, true};
}

}  // namespace

void CreateFrameSurface() {
    std::memset(frame_surface.pixels, 0, sizeof frame_surface.pixels);
    frame_surface.palette[0] = {0, 0, 0};
    DrawPalette(frame_surface.palette);
    // A fresh device context draws text in black until the first SetInk.
    frame_surface.ink = NearestPaletteEntry(frame_surface.palette, Rgb{0, 0, 0});
}

uint8_t NearestPaletteEntry(const Rgb palette[kPaletteEntries], Rgb colour) {
    uint8_t best = 0;
    int32_t best_distance = -1;
    for (int i = 0; i < kPaletteEntries; ++i) {
        const int32_t dr = palette[i].red - colour.red;
        const int32_t dg = palette[i].green - colour.green;
        const int32_t db = palette[i].blue - colour.blue;
        const int32_t distance = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || distance < best_distance) {
            best_distance = distance;
            best = static_cast<uint8_t>(i);
        }
    }
    return best;
}

void PaintStarField() {
    std::memcpy(frame_surface.pixels, star_field, kStarFieldBytes);
}

void SetSurfaceInk(Rgb colour) {
    frame_surface.ink = NearestPaletteEntry(frame_surface.palette, colour);
}

ScreenFont SelectSurfaceFont(const char* face, int32_t height, int32_t width) {
    const RenderFont* created = OpenRenderFont(face, height, width, 700);
    ScreenFont font{const_cast<RenderFont*>(created), const_cast<RenderFont*>(selected_font)};
    selected_font = created;
    return font;
}

void ReleaseSurfaceFont(ScreenFont font) {
    // The created font stays in the renderer's cache; only the selection goes
    // back to what it replaced.
    selected_font = static_cast<const RenderFont*>(font.replaced);
}

void DrawSurfaceText(int32_t x, int32_t y, const char* text, int32_t length) {
    const std::size_t bytes = length > 0 ? static_cast<std::size_t>(length) : 0;
    DrawString(SurfaceCanvas(), CurrentFont(), x, y, text, bytes, frame_surface.ink,
               {0, 0, kSurfaceSize, kSurfaceSize});
}

void DrawSurfaceCentredLine(const Rect& rect, const char* text) {
    const std::size_t length = std::strlen(text);
    const RenderFont* font = CurrentFont();
    const int32_t width = TextWidth(font, text, length, kTextPrefix);
    const int32_t x = (rect.left + rect.right - width) / 2;
    // DrawText's own rounding, which differs from the horizontal one for an odd cell.
    const int32_t y = rect.top + (rect.bottom - rect.top) / 2 - CellHeight(font) / 2;
    DrawString(SurfaceCanvas(), font, x, y, text, length, frame_surface.ink, rect, kTextPrefix);
}
