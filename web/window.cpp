// The page's picture: the 512 x 512 canvas on its light-grey 528 x 528 area,
// shown again on every drawn frame, with the score once a drill is over; and
// the table as the page hands it out.
#include <emscripten.h>

#include <cstdint>

#include "core/frontend.h"
#include "core/game_state.h"
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
    // The drill's last frame is the one whose repaint finds the result step
    // next: the page says the score before the dialogs open.
    if (game.scene == Scene::Result) {
        kobaru_drill_over(game.final_ans);
    }
}

// The table's file image, for a download before anything was stored. There
// is no save when the page goes away: every finished game is stored as it
// ends, and another tab's may be newer than this one's table.
extern "C" EMSCRIPTEN_KEEPALIVE const uint8_t* kobaru_rank_image() {
    static uint8_t image[kRankFileBytes];
    EncodeRankTable(rank_table, image);
    return image;
}
