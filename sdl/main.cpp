// kobaru: the game on Linux, in SDL2 windows.
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown, WallClockMs    sdl/input.cpp, the uptime, the system clock, SDL's keyboard
//   CopyStarField                      render/text_ops.cpp, the portable surface as it is
//   RepaintWindow                      sdl/window.cpp, through sdl/surface.cpp (HiDPI blocks)
//   SetInk, SelectScreenFont, ReleaseScreenFont, DrawTextAt, DrawCentredLine
//                                      render/text_ops.cpp
//   PromptForName, ShowRanking         sdl/dialogs.cpp, the dialogs/ machines in SDL windows
//   ReadStoredFile, WriteStoredFile, AppendStoredLine, LockStoredFile, UnlockStoredFile
//                                      storage/posix_*.cpp, flock for the turns
// Where it differs from the Windows program on purpose:
//   - the dialogs are drawn by the game, not made by the window system; input
//     methods reach the name field through SDL's text input;
//   - the tick counts the uptime in the steps of the Windows system timer,
//     and the loop sleeps when a frame call could do nothing instead of
//     spinning (core/frame_pace.h, RunFrameUnlessIdle);
//   - the session ends, and the ranking is saved, when the window is closed,
//     on SIGTERM, SIGINT or SIGHUP, and when the display goes away
//     (sdl/x11.cpp); every finished game is saved as it ends anyway;
//   - HiDPI desktops get the picture in whole-pixel blocks, and the desktop
//     entry keeps rank.txt in the player's data folder.
//
// One thread runs everything: the loop below handles one waiting event per
// pass or, when none waits, runs the game's frame call.
//
// kobaru --version prints the version and ends; kobaru --progress prints the
// summary of the player's history.csv (beside rank.txt, by the same rules)
// and ends; any other argument is left alone, as the Windows program leaves
// its command line.
//
// KOBARU_RANKING=xdg: set by the desktop entry. The game then keeps rank.txt
// in $XDG_DATA_HOME/kobaru (by default ~/.local/share/kobaru), made when it is
// first saved, instead of in the working directory as the original does.
//
// KOBARU_HOLD_FIRST_FRAME_MS: a debugging aid for screenshots and tests. When
// set to a number of milliseconds, the window keeps showing its start-up
// picture (the black square on grey) that long before the first game starts.
//
// KOBARU_LOOP_COUNTS: when set, the game says on standard error as it ends
// how often its loop passed and called the frame function since the first
// game started, against the tick steps that passed (tests and bench/).
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/frame_pace.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "render/surface.h"
#include "screens/screens.h"
#include "sdl/shell.h"

namespace {

// Where rank.txt lives, read once before it is first loaded.
void ChooseRankFile() {
    const char* place = std::getenv("KOBARU_RANKING");
    if (!place || std::strcmp(place, "xdg") != 0) {
        return;
    }
    // The data folder is absolute or not set at all, by the XDG rules.
    std::string data_home;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        data_home = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* entry = getpwuid(getuid());
            home = entry ? entry->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') {
            return;
        }
        data_home = std::string(home) + "/.local/share";
    }
    rank_file = RankFileLocation{data_home + "/kobaru/rank.txt", true};
}

// One pass of the main window's event handling: the orderly exit on a signal
// or a close request, otherwise the one waiting event. False when none waited.
bool ServeOneEvent() {
    if (ExitSignalArrived()) {
        QuitGame();
    }
    SDL_Event event;
    if (!SDL_PollEvent(&event)) {
        return false;
    }
    if (IsCloseRequest(event)) {
        QuitGame();
    }
    ++loop_counts.events;
    HandleMainWindowEvent(event);
    FinishEvent(event);
    return true;
}

// Sleeps until an event arrives or the tick takes its next step; a signal
// ends the sleep too.
void WaitForEventOrTickStep() {
    const uint64_t now = UptimeNs();
    const uint64_t wait_ns = NextTimerStepAt(now) - now;
    // Rounded up: woken early, the loop would only find the tick unchanged.
    SDL_WaitEventTimeout(nullptr, static_cast<int>((wait_ns + 999'999) / 1'000'000));
}

// Serves the window's events, drawing no frame, for the requested time.
void HoldFirstFrame() {
    const char* hold = std::getenv("KOBARU_HOLD_FIRST_FRAME_MS");
    if (!hold) {
        return;
    }
    const auto hold_ms = static_cast<Uint32>(std::strtoul(hold, nullptr, 10));
    const Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < hold_ms) {
        if (!ServeOneEvent()) {
            WaitForEventOrTickStep();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kobaru %s\n", KOBARU_VERSION);
        return 0;
    }
    // First of all, so that a signal during start-up also ends the game in
    // order once its loop runs.
    InstallExitSignals();
    ChooseRankFile();
    if (argc > 1 && std::strcmp(argv[1], "--progress") == 0) {
        return PrintProgress();
    }
    LoadRankTable();

    // The game has its own orderly exit on these signals; SDL's would only
    // queue a quit event that a modal dialog never reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Window pictures go straight to the window system (shared memory on
    // X11) and are on the screen when the update returns: no renderer, so no
    // swap that could wait for the display's refresh, and no window that SDL
    // would re-create for one.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Long input-method compositions arrive whole.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    // A windowed game has no reason to switch off the desktop's compositor.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    TolerateWindowSystemErrors();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "kobaru: no window system: %s\n", SDL_GetError());
        return 1;
    }

    CreateMainWindow();
    // The palette's draws are the first of the run.
    CreateFrameSurface();
    PrepareWindowPicture();
    // Digit keys must reach the game as keys, never through an input method.
    SDL_StopTextInput();
    SDL_ShowWindow(main_window);
    PaintMainWindow();
    HoldFirstFrame();

    StartFirstGame();
    LastFrameCall last_call;
    loop_counts = LoopCounts{UptimeNs()};
    for (;; ++loop_counts.passes) {
        if (ServeOneEvent()) {
            continue;
        }
        if (RunFrameUnlessIdle(last_call)) {
            ++loop_counts.frame_calls;
        } else {
            WaitForEventOrTickStep();
        }
    }
}
