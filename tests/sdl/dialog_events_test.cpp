// The real name dialog on SDL's dummy video driver, fed the window system's events.
#include <SDL.h>
#include <gtest/gtest.h>

#include "core/frontend.h"
#include "sdl/sdl_shell.h"

namespace {

constexpr int kFilteredCompositions = 200;

// When the dialog's window shows: long compositions for the main window,
// which the dialog passes over, then Return in the dialog.
int OnEvent(void*, SDL_Event* event) {
    if (event->type != SDL_WINDOWEVENT || event->window.event != SDL_WINDOWEVENT_SHOWN ||
        event->window.windowID == SDL_GetWindowID(main_window)) {
        return 0;
    }
    for (int i = 0; i < kFilteredCompositions; ++i) {
        SDL_Event composition{};
        composition.type = SDL_TEXTEDITING_EXT;
        composition.editExt.windowID = SDL_GetWindowID(main_window);
        composition.editExt.text = SDL_strdup("\xe3\x81\x8b\xe3\x81\xaa");  // かな
        SDL_PushEvent(&composition);
    }
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = event->window.windowID;
    key.key.keysym.scancode = SDL_SCANCODE_RETURN;
    SDL_PushEvent(&key);
    return 0;
}

TEST(NameDialogEvents, CompositionsMeantForOtherWindowsAreFreed) {
    ASSERT_EQ(SDL_setenv("SDL_VIDEODRIVER", "dummy", 1), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    CreateMainWindow();
    SDL_AddEventWatch(OnEvent, nullptr);
    // A first dialog opens the fonts and SDL's own lasting state.
    char name[256];
    PromptForName(name);
    const int before = SDL_GetNumAllocations();
    PromptForName(name);
    EXPECT_STREQ(name, "");
    EXPECT_LT(SDL_GetNumAllocations() - before, kFilteredCompositions / 2)
        << "the filtered compositions' texts were not freed";
    SDL_DelEventWatch(OnEvent, nullptr);
    SDL_DestroyWindow(main_window);
    SDL_Quit();
}

}  // namespace
