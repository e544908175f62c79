// Kobaru for Windows: the original program, on USER, GDI and the kernel's tick.
//
// What this frontend supplies to the game:
//   GetTick, IsKeyDown           win/input.cpp (GetTickCount, GetAsyncKeyState)
//   RepaintWindow                win/window.cpp (InvalidateRect and UpdateWindow)
//   CopyStarField                win/surface.cpp (into the 8-bit DIB section)
//   text operations              win/text_ops.cpp (GDI on the DIB section's memory DC)
//   PromptForName, ShowRanking   win/dialogs.cpp (dialog templates 101 and 102, res/)
//   the rank file's careful save win/file_store.cpp
// Where it differs from the other builds on purpose: it is the one they
// follow. Its loop spins, as the original's does; its dialogs are the window
// system's own; texts cross into GDI and out of the dialogs as UTF-16 from
// code page 932, so Japanese shows on any Windows locale; the session ends,
// and the ranking is saved, when the window is destroyed or the Windows
// session ends (WM_ENDSESSION), besides the save after every finished game.
#include "core/game_state.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "win/win_shell.h"

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
