// The game's clock and keys on Linux: the uptime counted in the steps of the
// Windows system timer, and the keys as SDL last saw them.
#include <time.h>

#include <chrono>

#include "core/frame_pace.h"
#include "core/frontend.h"
#include "sdl/shell.h"

namespace {

// The game asks for keys by their Windows virtual-key codes; on SDL they are
// physical keys (scancodes), so a digit counts whatever the keyboard layout
// makes of it, and the keypad counts with Num Lock on or off. Fills up to two
// scancodes and returns how many: Return is the main key or the keypad's
// Enter.
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

}  // namespace

uint64_t UptimeNs() {
    timespec now{};
    // Uptime including suspended time, as on Windows; the monotonic clock
    // where the kernel does not know it.
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &now);
    }
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(now.tv_nsec);
}

// With the frame rate, the key repeat and the animation speeds of Windows.
uint32_t GetTick() {
    return TimerTickAt(UptimeNs());
}

bool IsKeyDown(uint8_t virtual_key) {
    // SDL keeps this state up to date each time the loop looks for events,
    // which it does on every pass.
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    SDL_Scancode scancodes[2];
    const int count = ScancodesForKey(virtual_key, scancodes);
    for (int i = 0; i < count; ++i) {
        if (state[scancodes[i]]) {
            return true;
        }
    }
    return false;
}

int64_t WallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
