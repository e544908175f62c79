// What the Linux program's own files share: the main window, its painting,
// and the orderly way out that every loop of the program can take.
#pragma once

#include <SDL.h>

extern SDL_Window* main_window;

// The desktop's integer scale (GDK_SCALE, or Xft.dpi / 96 from 192 dpi on),
// as large as still fits the screen; 1 where none is asked for. Every pixel
// of the game and its dialogs is shown as a block of this many pixels a side.
extern int display_scale;

// What the desktop asks for, read once before the first window is made.
int DesktopScale();

// A picture of palette indices, rows from the top unless bottom_up.
struct IndexedPicture {
    const uint8_t* pixels;
    int width;
    int height;
    int stride;
    bool bottom_up;
    const SDL_Color* colours;
    int colour_count;
    const uint8_t* Row(int y) const {
        return pixels + static_cast<std::ptrdiff_t>(bottom_up ? height - 1 - y : y) * stride;
    }
};

// Draws the picture into a window surface with its top-left at (x, y), in
// game pixels, scaled by display_scale with nearest-neighbour pixels.
void ShowIndexedPicture(const IndexedPicture& picture, SDL_Surface* target, int x, int y);

// Creates the main window, hidden, with its caption, icon and fixed client
// size of 528 x 528 game pixels.
void CreateMainWindow();

// Before a window is shown: the frame buttons the window manager offers. The
// main window has minimise and close, a dialog has no button at all.
void DescribeMainWindowFrame(SDL_Window* window);
void DescribeDialogFrame(SDL_Window* window);

// Before SDL starts: X11 errors about windows that have just gone are
// ignored instead of ending the game, and a display that goes away still gets
// the ranking saved.
void TolerateWindowSystemErrors();

// Whether another client has destroyed the window under the game.
bool WindowIsGone(SDL_Window* window);

// Takes the frame surface's palette for the window's copy of the picture; the
// palette must have been drawn already.
void PrepareWindowPicture();

// The frame surface as it holds the picture now, with its top-left at (x, y)
// game pixels of a window surface.
void ShowFrameSurface(SDL_Surface* target, int x, int y);

// The whole client area: the light-grey margins and the picture as the frame
// surface holds it now. Drawn on exposure; it draws no frame of the game.
void PaintMainWindow();

// What the main window does with an event while a loop of the program holds
// the thread: repaint on exposure. Close requests are left to the caller.
void HandleMainWindowEvent(const SDL_Event& event);

// The window an input or window event is for; 0 for other events.
Uint32 EventWindowId(const SDL_Event& event);
bool IsMainWindowEvent(const SDL_Event& event);
bool IsCloseRequest(const SDL_Event& event);

// Frees what SDL allocated for an event (the text of a long input-method
// composition); every loop calls it for every event it took, used or not.
void FinishEvent(SDL_Event& event);

// The monotonic uptime the tick is counted from, in nanoseconds.
uint64_t UptimeNs();

// SIGTERM, SIGINT and SIGHUP only set a flag; the loops look at it.
void InstallExitSignals();
bool ExitSignalArrived();

// What the main loop did, counted for KOBARU_LOOP_COUNTS (sdl/main.cpp): a
// loop that waits passes about twice a tick step, where a spinning one would
// pass thousands of times.
struct LoopCounts {
    uint64_t start_ns = 0;  // the uptime when the loop started
    uint64_t passes = 0;
    uint64_t frame_calls = 0;
    uint64_t events = 0;
};
extern LoopCounts loop_counts;

// kobaru --progress: prints the summary of history.csv and returns the exit
// status.
int PrintProgress();

// Saves the ranking, releases the windows and ends the process with code 0.
[[noreturn]] void QuitGame();
