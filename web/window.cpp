// The page's window: the 512 x 512 canvas on its light-grey 528 x 528 area,
// shown again on every drawn frame, with the score once a drill is over; and
// the table as the page hands it out.
#include <emscripten.h>

#include <cstdint>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "web/shell.h"

void RepaintWindow() {
    ShowFrameSurface();
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
