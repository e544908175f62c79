// What the game tells the X11 window system itself, past SDL.
//
// The buttons a window manager puts on the game's frames. The main window can
// be minimised and closed but not maximised; the result dialogs offer neither
// a close box nor any other button, so they end only through their OK.
// SDL has no say in this, so on X11 the frames are described to the window
// manager directly, as Motif hints and, for the dialogs, as the dialog window
// type; elsewhere the frames stay as the platform makes them.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdio>
#include <cstdlib>

#include "core/rank_table.h"
#include "sdl/sdl_shell.h"

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)

// A request about a window that has just gone (X11 is asynchronous, and SDL
// talks to the server over two connections) is no reason to end the game,
// which is what Xlib does by default.
int IgnoreRequestError(Display*, XErrorEvent* error) {
    std::fprintf(stderr, "kobaru: X11 error %d on request %d ignored\n", error->error_code,
                 error->request_code);
    return 0;
}

// The display went away under the game, as when the session ends: the
// ranking is saved as on any other way out.
int SaveWhenTheDisplayIsGone(Display*) {
    SaveRankTable();
    std::_Exit(0);
}

// The Motif window manager hints, as five longs.
constexpr long kHintFunctions = 1;
constexpr long kHintDecorations = 2;
constexpr long kFunctionMove = 4;
constexpr long kFunctionMinimise = 8;
constexpr long kFunctionClose = 32;
constexpr long kDecorationBorder = 2;
constexpr long kDecorationTitle = 8;
constexpr long kDecorationMenu = 16;
constexpr long kDecorationMinimise = 32;

void DescribeFrame(SDL_Window* window, long functions, long decorations, bool dialog) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    Display* display = info.info.x11.display;
    const Window x_window = info.info.x11.window;
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    const long hints[5] = {kHintFunctions | kHintDecorations, functions, decorations, 0, 0};
    XChangeProperty(display, x_window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(hints), 5);
    if (dialog) {
        const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
        const Atom dialog_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
        XChangeProperty(display, x_window, type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&dialog_type), 1);
    }
    XFlush(display);
}

#endif

}  // namespace

void DescribeMainWindowFrame(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    DescribeFrame(window, kFunctionMove | kFunctionMinimise | kFunctionClose,
                  kDecorationBorder | kDecorationTitle | kDecorationMenu | kDecorationMinimise,
                  false);
#else
    (void)window;
#endif
}

void DescribeDialogFrame(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    DescribeFrame(window, kFunctionMove, kDecorationBorder | kDecorationTitle, true);
#else
    (void)window;
#endif
}

void TolerateWindowSystemErrors() {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(main_window, &info) && info.subsystem == SDL_SYSWM_X11) {
        XSetErrorHandler(IgnoreRequestError);
        XSetIOErrorHandler(SaveWhenTheDisplayIsGone);
    }
#endif
}
