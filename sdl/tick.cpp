// The game's clock: the system's uptime, counted as the Windows tick counts
// it, in steps of the 64 Hz system timer, as a 32-bit counter that wraps
// after 49.7 days. With it the game has the frame rate, the key repeat and
// the animation speeds it has on Windows.
#include <time.h>

#include "core/frame_pace.h"
#include "core/frontend.h"
#include "sdl/sdl_shell.h"

uint64_t UptimeNs() {
    timespec now{};
    // Uptime including suspended time, as on Windows; the monotonic clock
    // where the kernel does not know it.
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &now);
    }
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(now.tv_nsec);
}

uint32_t GetTick() {
    return TimerTickAt(UptimeNs());
}
