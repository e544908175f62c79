// kobaru-null: the game with no window at all, the smallest whole frontend,
// and the one to copy to start a port. It starts the game in the order every
// frontend keeps, runs the loop for so many milliseconds of its own clock
// (one a pass, no key ever down) and says what the game asked of it.
//
//   kobaru-null [MS]     MS defaults to 6000: the title, waving
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown, WallClockMs    null/input.cpp, the driver's clocks and keys
//   CopyStarField                         null/text_ops.cpp, recorded
//   RepaintWindow                         null/window.cpp, recorded
//   SetInk, SelectScreenFont, ReleaseScreenFont, DrawTextAt, DrawCentredLine
//                                         null/text_ops.cpp, recorded
//   PromptForName, ShowRanking            null/dialogs.cpp, the driver's name, recorded
//   ReadStoredFile, WriteStoredFile, AppendStoredLine, LockStoredFile, UnlockStoredFile
//                                         storage/, the platform's store
// Where it differs from the Windows program on purpose: it has no window, no
// surface and no pictures, only the record of the calls; its rank.txt is a
// file of its own in the system's temporary folder, gone when it exits.
//
// One thread: the loop below calls the frame function at every step of the
// clock, which no event interrupts.
#include <cstdio>
#include <cstdlib>

#include "core/palette.h"
#include "core/scenes.h"
#include "null/shell.h"
#include "screens/screens.h"

int main(int argc, char** argv) {
    const unsigned long run_ms = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 6000;
    // The rank table first, then the surface's palette, the first draws of
    // the run; then the first game.
    ResetWorld();
    fake.tick = 1000;
    Rgb palette[kPaletteEntries] = {};
    DrawPalette(palette);
    StartFirstGame();
    LastFrameCall last_call;
    for (unsigned long ms = 0; ms < run_ms; ++ms) {
        ++fake.tick;
        RunFrameUnlessIdle(last_call);
    }
    std::printf("%d frames drawn, %d texts, %d fonts still selected\n", CountCalls("repaint"),
                CountCalls("text") + CountCalls("centred"), fake.open_fonts);
    return 0;
}
