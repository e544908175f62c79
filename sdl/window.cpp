// The main window: a fixed 528 x 528 client area in light grey with the
// 512 x 512 picture at (8, 8), shown again on every drawn frame and on every
// exposure; its events; and the orderly way out.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/frame_pace.h"
#include "core/frontend.h"
#include "core/rank_table.h"
#include "kobaru_icon.h"
#include "render/text.h"
#include "sdl/shell.h"

SDL_Window* main_window = nullptr;

namespace {

constexpr int kClientSize = 528;
constexpr int kMargin = 8;
constexpr int kPictureSize = 512;

// The window surface that was last painted whole; a new one (SDL makes one
// whenever the window's size changes) starts without its grey margins.
SDL_Surface* painted_surface = nullptr;

volatile sig_atomic_t exit_signal = 0;

extern "C" void OnExitSignal(int) {
    exit_signal = 1;
}

}  // namespace

Uint32 EventWindowId(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            return event.window.windowID;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return event.key.windowID;
        case SDL_TEXTINPUT:
            return event.text.windowID;
        case SDL_TEXTEDITING:
            return event.edit.windowID;
        case SDL_TEXTEDITING_EXT:
            return event.editExt.windowID;
        case SDL_MOUSEMOTION:
            return event.motion.windowID;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            return event.button.windowID;
        default:
            return 0;
    }
}

void CreateMainWindow() {
    // As large a scale as the desktop asks for and the screen can show.
    display_scale = DesktopScale();
    SDL_Rect screen{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &screen) == 0) {
        while (display_scale > 1 &&
               (kClientSize * display_scale > screen.w || kClientSize * display_scale > screen.h)) {
            --display_scale;
        }
    }
    main_window = SDL_CreateWindow("Kobaru", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   kClientSize * display_scale, kClientSize * display_scale,
                                   SDL_WINDOW_HIDDEN);
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<unsigned char*>(kobaru_icon_rgba), kobaru_icon_width, kobaru_icon_height, 32,
        kobaru_icon_width * 4, SDL_PIXELFORMAT_RGBA32);
    SDL_SetWindowIcon(main_window, icon);
    SDL_FreeSurface(icon);
    DescribeMainWindowFrame(main_window);
}

void PaintMainWindow() {
    SDL_Surface* surface = SDL_GetWindowSurface(main_window);
    if (!surface) {
        return;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 192, 192, 192));
    ShowFrameSurface(surface, kMargin, kMargin);
    SDL_UpdateWindowSurface(main_window);
    painted_surface = surface;
}

void RepaintWindow() {
    SDL_Surface* surface = SDL_GetWindowSurface(main_window);
    if (!surface) {
        return;
    }
    if (surface != painted_surface) {
        PaintMainWindow();
        return;
    }
    // Only the picture: a frame never touches the margins.
    ShowFrameSurface(surface, kMargin, kMargin);
    const SDL_Rect at{kMargin * display_scale, kMargin * display_scale,
                      kPictureSize * display_scale, kPictureSize * display_scale};
    SDL_UpdateWindowSurfaceRects(main_window, &at, 1);
}

bool IsMainWindowEvent(const SDL_Event& event) {
    const Uint32 id = EventWindowId(event);
    return id != 0 && id == SDL_GetWindowID(main_window);
}

bool IsCloseRequest(const SDL_Event& event) {
    return event.type == SDL_QUIT ||
           (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE);
}

void HandleMainWindowEvent(const SDL_Event& event) {
    if (event.type != SDL_WINDOWEVENT || !IsMainWindowEvent(event)) {
        return;
    }
    switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            PaintMainWindow();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            painted_surface = nullptr;
            break;
        default:
            break;
    }
}

void FinishEvent(SDL_Event& event) {
    if (event.type == SDL_TEXTEDITING_EXT) {
        SDL_free(event.editExt.text);
        event.editExt.text = nullptr;
    }
}

void InstallExitSignals() {
    struct sigaction action {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal_number, &action, nullptr);
    }
}

bool ExitSignalArrived() {
    return exit_signal != 0;
}

LoopCounts loop_counts;

void QuitGame() {
    if (std::getenv("KOBARU_LOOP_COUNTS")) {
        const uint64_t steps = (UptimeNs() - loop_counts.start_ns) / kTimerStepNs;
        std::fprintf(stderr,
                     "kobaru: %llu tick steps, %llu passes, %llu frame calls, %llu events\n",
                     static_cast<unsigned long long>(steps),
                     static_cast<unsigned long long>(loop_counts.passes),
                     static_cast<unsigned long long>(loop_counts.frame_calls),
                     static_cast<unsigned long long>(loop_counts.events));
    }
    SaveRankTable();
    // SDL hides every window as it closes it and waits for the server to say
    // the window is unmapped, which it never says of a window another client
    // has destroyed: the game would hang there. The end of the process closes
    // the connection and the window's resources as well.
    if (WindowIsGone(main_window)) {
        std::exit(0);
    }
    SDL_DestroyWindow(main_window);
    main_window = nullptr;
    ReleaseRenderFonts();
    SDL_Quit();
    std::exit(0);
}
