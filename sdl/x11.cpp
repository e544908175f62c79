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
#include <cstring>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#endif

#include "core/rank_table.h"
#include "sdl/shell.h"

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
        // A Windows dialog at x 0, y 0 has its client area, not its frame, at
        // the owner's client origin; static gravity makes the position asked
        // for that of the client area, the frame going up and to the left.
        XSizeHints* size = XAllocSizeHints();
        long supplied = 0;
        if (size && XGetWMNormalHints(display, x_window, size, &supplied)) {
            size->flags |= PWinGravity;
            size->win_gravity = StaticGravity;
            XSetWMNormalHints(display, x_window, size);
        }
        XFree(size);
    }
    // SDL writes the legacy WM_NAME as Latin-1 text, which garbles a
    // Japanese caption for every tool that reads it; compound text carries
    // it whole (_NET_WM_NAME has the UTF-8).
    char* caption = const_cast<char*>(SDL_GetWindowTitle(window));
    XTextProperty name{};
    if (Xutf8TextListToTextProperty(display, &caption, 1, XCompoundTextStyle, &name) == Success) {
        XSetWMName(display, x_window, &name);
        XFree(name.value);
    } else {
        XDeleteProperty(display, x_window, XA_WM_NAME);
    }
    XFlush(display);
}

#endif

}  // namespace

int DesktopScale() {
    // GTK's own setting wins, as it does for every other program.
    if (const char* gdk = std::getenv("GDK_SCALE")) {
        char* end = nullptr;
        const long scale = std::strtol(gdk, &end, 10);
        if (end != gdk && *end == '\0' && scale >= 1) {
            return scale < 16 ? static_cast<int>(scale) : 16;
        }
    }
#if defined(SDL_VIDEO_DRIVER_X11)
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) {
        return 1;
    }
    // The desktop's font resolution, as Xft and GTK read it.
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return 1;
    }
    double dpi = 96;
    if (const char* resources = XResourceManagerString(display)) {
        XrmInitialize();
        XrmDatabase database = XrmGetStringDatabase(resources);
        char* type = nullptr;
        XrmValue value{};
        if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
            dpi = std::strtod(value.addr, nullptr);
        }
        XrmDestroyDatabase(database);
    }
    XCloseDisplay(display);
    // Only whole scales keep every game pixel a square block.
    return dpi >= 192 && dpi < 16 * 96 ? static_cast<int>(dpi / 96) : 1;
#else
    return 1;
#endif
}

bool WindowIsGone(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    // A window the server no longer has fails the request (the error is
    // ignored above) instead of describing it.
    XWindowAttributes attributes;
    return XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) == 0;
#else
    (void)window;
    return false;
#endif
}

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
    // Xlib has one handler for the whole process, and SDL keeps the one it
    // finds at start-up to put back as it shuts down. Set before SDL starts,
    // ours is that one, so an error that arrives during the shutdown (SDL's
    // wake-up message to a window that the server has destroyed first, when
    // another client keeps it busy) cannot end a closing game with status 1.
    XSetErrorHandler(IgnoreRequestError);
    XSetIOErrorHandler(SaveWhenTheDisplayIsGone);
#endif
}
