// The game's clock and keys in the browser: a monotonic clock counted in the
// steps of the Windows system timer, and the keys as the page last saw them.
#include <chrono>
#include <cmath>

#include "core/frame_pace.h"
#include "core/frontend.h"
#include "web/shell.h"

uint64_t UptimeNs() {
    return static_cast<uint64_t>(std::llround(kobaru_uptime_ms() * 1e6));
}

// With the frame rate, the key repeat and the animation speeds of Windows.
uint32_t GetTick() {
    return TimerTickAt(UptimeNs());
}

// The page keeps the keys by their physical codes (event.code) under the
// virtual-key codes the game asks for: a digit counts whatever the keyboard
// layout makes of it, and the keypad counts with Num Lock on or off; Return is
// the main key or the keypad's Enter. A key without a physical code counts by
// its name, and a tap on the page's keypad counts once however short it was.
bool IsKeyDown(uint8_t virtual_key) {
    return kobaru_key_down(virtual_key) != 0;
}

int64_t WallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
