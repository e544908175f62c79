// kobaru.js: the game in a web page, compiled with emscripten.
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown           web/input.cpp
//   RepaintWindow                web/window.cpp, into the page's canvas
//   PromptForName, ShowRanking   web/dialogs.cpp, showing the portable dialogs/ in the page
//   CopyStarField, text ops      render/text_ops.cpp, the portable surface as it is
// Where it differs from the Windows program on purpose:
//   - the dialogs are drawn by the game into pictures in the page; an input
//     element laid over the name field takes the typing, so that input
//     methods work;
//   - the tick counts a monotonic clock in the steps of the Windows system
//     timer, and the loop gives the browser its turn until the next step
//     when a frame call could do nothing, instead of spinning
//     (core/frame_pace.h, RunFrameUnlessIdle);
//   - rank.txt is kept in the browser's IndexedDB (web/library.js): after
//     every finished game and when the page is hidden or closed; the page
//     links it for download and for loading another one.
//
// One thread runs everything: the loop below runs the game's frame call, and
// the page's events are handled while it sleeps (emscripten's ASYNCIFY
// unwinds the loop's stack for that and winds it up again).
#include <emscripten.h>
#include <sys/stat.h>

#include "core/frame_pace.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "render/surface.h"
#include "screens/screens.h"
#include "web/web_shell.h"

namespace {

// The game's rank.txt, in memory; the page keeps it in IndexedDB
// (web/library.js).
constexpr const char* kRankFilePath = "/kobaru/rank.txt";

// Gives the browser its turn until the tick takes its next step.
void WaitForTickStep() {
    const uint64_t now = UptimeNs();
    const uint64_t wait_ns = NextTimerStepAt(now) - now;
    // Rounded up: woken early, the loop would only find the tick unchanged.
    emscripten_sleep(static_cast<unsigned>((wait_ns + 999'999) / 1'000'000));
}

}  // namespace

int main() {
    // emscripten's C library starts with a file-creation mask of 0777, and
    // the careful save gives a new rank.txt the mode a create would: the
    // usual mask instead, or the file could never be written again.
    umask(022);
    kobaru_start_page();
    rank_file = RankFileLocation{kRankFilePath, false};
    LoadRankTable();

    // The palette's draws are the first of the run.
    CreateFrameSurface();
    PrepareWindowPicture();

    StartFirstGame();
    LastFrameCall last_call;
    for (;;) {
        if (!RunFrameUnlessIdle(last_call)) {
            WaitForTickStep();
        } else if (last_call.moved_scene) {
            // A finished game (a placed score, the credits' end) has just
            // been saved: keep it when the browser goes away.
            kobaru_persist_files();
        }
    }
}
