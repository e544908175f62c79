// The frame surface as the page shows it: palette indices turned into the
// canvas's RGBA, the rows top first.
#include <cstdint>

#include "render/surface.h"
#include "web/shell.h"

namespace {

uint32_t picture_colours[kPaletteEntries];
uint32_t picture[kStarFieldBytes];

}  // namespace

uint32_t PageColour(Rgb colour) {
    return 0xFF000000u | static_cast<uint32_t>(colour.blue) << 16 |
           static_cast<uint32_t>(colour.green) << 8 | colour.red;
}

void PrepareWindowPicture() {
    for (int i = 0; i < kPaletteEntries; ++i) {
        picture_colours[i] = PageColour(frame_surface.palette[i]);
    }
}

void ShowFrameSurface() {
    // The frame surface stores its rows bottom-up, as a Windows DIB does.
    for (int y = 0; y < kSurfaceSize; ++y) {
        const uint8_t* row = frame_surface.pixels + PixelOffset(0, y);
        uint32_t* out = picture + static_cast<std::size_t>(y) * kSurfaceSize;
        for (int x = 0; x < kSurfaceSize; ++x) {
            out[x] = picture_colours[row[x]];
        }
    }
    kobaru_show_picture(0, picture, kSurfaceSize, kSurfaceSize);
}
