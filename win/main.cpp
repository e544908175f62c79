// Kobaru for Windows: the original program, on USER, GDI and the kernel's tick.
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown, WallClockMs    win/input.cpp, GetTickCount, GetSystemTimeAsFileTime,
//                                      GetAsyncKeyState
//   CopyStarField                      win/surface.cpp, into the 8-bit DIB section
//   RepaintWindow                      win/window.cpp, InvalidateRect and UpdateWindow
//   SetInk, SelectScreenFont, ReleaseScreenFont, DrawTextAt, DrawCentredLine
//                                      win/text_ops.cpp, GDI on the DIB section's memory DC
//   PromptForName, ShowRanking         win/dialogs.cpp, dialog templates 101 and 102 (res/)
//   ReadStoredFile, WriteStoredFile, AppendStoredLine, LockStoredFile, UnlockStoredFile
//                                      storage/windows_file_store.cpp, a named
//                                      mutex for the turns
// Where it differs from the other builds on purpose: it is the one they
// follow. Its loop spins, as the original's does; its dialogs are the window
// system's own; texts cross into GDI and out of the dialogs as UTF-16 from
// code page 932, so Japanese shows on any Windows locale; the session ends,
// and the ranking is saved, when the window is destroyed or the Windows
// session ends (WM_ENDSESSION), besides the save after every finished game.
#include "core/game_state.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "screens/screens.h"
#include "win/shell.h"

namespace {

// Serves messages while there are any and runs a frame whenever there are
// none; returns the exit code that WM_QUIT carries.
int RunMessageLoop() {
    MSG message;
    for (;;) {
        // Never blocks: with no message waiting, the game gets the time.
        if (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageW(&message, nullptr, 0, 0) == 0) {
                return static_cast<int>(message.wParam);
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            RunFrame();
        }
    }
}

}  // namespace

// Start-up in the order the pieces depend on each other.
int WINAPI WinMain(HINSTANCE this_instance, HINSTANCE, LPSTR, int show_command) {
    instance = this_instance;
    LoadRankTable();
    RegisterMainWindowClass();
    main_window = CreateMainWindow();
    // Draws the palette: the first draws of the random source.
    CreateFrameSurface(main_window);
    ShowWindow(main_window, show_command);
    // The first paint shows the surface as created: a black square.
    UpdateWindow(main_window);
    StartFirstGame();
    return RunMessageLoop();
}
