// The page's window: the 512 x 512 canvas on its light-grey 528 x 528 area,
// shown again on every drawn frame; and the table as the page hands it out.
#include <emscripten.h>

#include <cstdint>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "web/shell.h"

void RepaintWindow() {
    ShowFrameSurface();
}

// The table's file image, for a download before anything was stored. There
// is no save when the page goes away: every finished game is stored as it
// ends, and another tab's may be newer than this one's table.
extern "C" EMSCRIPTEN_KEEPALIVE const uint8_t* kobaru_rank_image() {
    static uint8_t image[kRankFileBytes];
    EncodeRankTable(rank_table, image);
    return image;
}
