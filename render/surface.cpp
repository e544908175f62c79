#include "render/surface.h"

#include <cstring>

FrameSurface frame_surface;

void CreateFrameSurface() {
    std::memset(frame_surface.pixels, 0, sizeof frame_surface.pixels);
    frame_surface.palette[0] = {0, 0, 0};
    DrawPalette(frame_surface.palette);
    // A fresh device context draws text in black until the first SetInk.
    frame_surface.ink = NearestPaletteEntry(frame_surface.palette, Ink{0, 0, 0});
}

uint8_t NearestPaletteEntry(const PaletteEntry palette[kPaletteEntries], Ink colour) {
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
