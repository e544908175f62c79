#include "sdl/keys.h"

#include "core/frontend.h"

int ScancodesForKey(uint8_t virtual_key, SDL_Scancode scancodes[2]) {
    if (virtual_key == kKeyReturn) {
        scancodes[0] = SDL_SCANCODE_RETURN;
        scancodes[1] = SDL_SCANCODE_KP_ENTER;
        return 2;
    }
    if (virtual_key >= kKeyDigit0 && virtual_key <= kKeyDigit0 + 9) {
        // SDL numbers the main row as it lies on the keyboard: 1 to 9, then 0.
        const int digit = virtual_key - kKeyDigit0;
        scancodes[0] =
            digit == 0 ? SDL_SCANCODE_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (digit - 1));
        return 1;
    }
    if (virtual_key >= kKeyNumpad0 && virtual_key <= kKeyNumpad0 + 9) {
        // The keypad likewise: 1 to 9, then 0.
        const int digit = virtual_key - kKeyNumpad0;
        scancodes[0] = digit == 0 ? SDL_SCANCODE_KP_0
                                  : static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + (digit - 1));
        return 1;
    }
    return 0;
}
