// The page's picture: the 512 x 512 canvas on its light-grey 528 x 528 area,
// shown again on every drawn frame; and the end of a session, when the page
// is hidden or closed.
#include <emscripten.h>

#include <cstdint>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "render/surface.h"
#include "web/web_shell.h"

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

void RepaintWindow() {
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

// The page calls this when it is hidden or closed, as closing the window ends
// a session on the other builds (the game goes on if the page comes back),
// and before it hands out rank.txt for download.
extern "C" EMSCRIPTEN_KEEPALIVE void kobaru_save_ranking() {
    SaveRankTable();
    kobaru_persist_files();
}
