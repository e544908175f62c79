// kobaru.js: the game in a web page, compiled with emscripten.
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown, WallClockMs    web/input.cpp, a monotonic clock, the date, the page's keys
//   CopyStarField                      render/text_ops.cpp, the portable surface as it is
//   RepaintWindow                      web/window.cpp, through web/surface.cpp into the canvas
//   SetInk, SelectScreenFont, ReleaseScreenFont, DrawTextAt, DrawCentredLine
//                                      render/text_ops.cpp
//   PromptForName, ShowRanking         web/dialogs.cpp, the dialogs/ machines in the page
//   ReadStoredFile, WriteStoredFile, AppendStoredLine, LockStoredFile, UnlockStoredFile
//                                      storage/posix_*.cpp in memory, the page's
//                                      Web Lock for the turns (storage/web_file_lock.cpp)
// Where it differs from the Windows program on purpose:
//   - the dialogs are drawn by the game into pictures in the page; an input
//     element laid over the name field takes the typing, so that input
//     methods work;
//   - the tick counts a monotonic clock in the steps of the Windows system
//     timer, and the loop gives the browser its turn until the next step
//     when a frame call could do nothing, instead of spinning
//     (core/frame_pace.h, RunFrameUnlessIdle);
//   - rank.txt is kept in the browser's IndexedDB (web/library.js), which
//     every tab of the site shares: each finished game is applied to it in
//     the tab's turn, and a tab hears when another has
//     saved; the page links it for download and for loading another one.
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
#include "web/shell.h"

namespace {

// The game's rank.txt, in memory; the page keeps it in IndexedDB
// (web/library.js).
constexpr const char* kRankFilePath = "/kobaru/rank.txt";

// The loop's passes, which a loop that waits makes about twice a tick step.
uint32_t loop_passes = 0;

// Gives the browser its turn until the tick takes its next step.
void WaitForTickStep() {
    const uint64_t now = UptimeNs();
    const uint64_t wait_ns = NextTimerStepAt(now) - now;
    // Rounded up: woken early, the loop would only find the tick unchanged.
    emscripten_sleep(static_cast<unsigned>((wait_ns + 999'999) / 1'000'000));
}

}  // namespace

// For the browser tests and bench/: counted by the game itself, so that no
// check depends on how fast the machine is.
extern "C" EMSCRIPTEN_KEEPALIVE uint32_t kobaru_loop_passes() {
    return loop_passes;
}

int main() {
    // emscripten's C library starts with a file-creation mask of 0777, and
    // the careful save gives a new rank.txt the mode a create would: the
    // usual mask instead, or the file could never be written again.
    umask(022);
    // Before the page starts: it shows the history beside the rank file.
    rank_file = RankFileLocation{kRankFilePath, false};
    kobaru_start_page();
    LoadRankTable();

    // The palette's draws are the first of the run.
    CreateFrameSurface();
    PrepareWindowPicture();

    StartFirstGame();
    LastFrameCall last_call;
    for (;; ++loop_passes) {
        if (kobaru_ranking_news()) {
            // Another tab has saved a finished game: the title shows it from
            // its next frame, without a reload.
            RefreshRankTable();
        }
        if (!RunFrameUnlessIdle(last_call)) {
            WaitForTickStep();
        }
    }
}
