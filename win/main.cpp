// Kobaru for Windows: start-up in the order the pieces depend on each other.
#include "core/game_state.h"
#include "core/rank_table.h"
#include "win/win_shell.h"

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
