// The real name dialog on SDL's dummy video driver, fed the window system's events.
#include <SDL.h>
#include <gtest/gtest.h>

#include "core/frontend.h"
#include "sdl/shell.h"

namespace {

constexpr int kFilteredCompositions = 200;

void PushKey(Uint32 window, SDL_Scancode key, Uint8 repeat) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = window;
    event.key.repeat = repeat;
    event.key.keysym.scancode = key;
    SDL_PushEvent(&event);
}

void PushText(Uint32 window, const char* text) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window;
    SDL_strlcpy(event.text.text, text, sizeof event.text.text);
    SDL_PushEvent(&event);
}

// When the dialog's window shows: long compositions for the main window,
// which the dialog passes over, then a name typed around a Return held over
// from before, which does not answer, and Return.
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
    PushText(event->window.windowID, "Tes");
    PushKey(event->window.windowID, SDL_SCANCODE_RETURN, 1);
    PushText(event->window.windowID, "ter");
    PushKey(event->window.windowID, SDL_SCANCODE_RETURN, 0);
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
    EXPECT_STREQ(name, "Tester");
    EXPECT_LT(SDL_GetNumAllocations() - before, kFilteredCompositions / 2)
        << "the filtered compositions' texts were not freed";
    SDL_DelEventWatch(OnEvent, nullptr);
    SDL_DestroyWindow(main_window);
    SDL_Quit();
}

}  // namespace
