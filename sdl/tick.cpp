// The game's clock: the system's uptime in milliseconds, as a 32-bit counter
// that wraps after 49.7 days, like the tick count the game was made for.
#include <time.h>

#include "core/frontend.h"

uint32_t GetTick() {
    timespec now{};
    // Uptime including suspended time; the monotonic clock where the kernel
    // does not know it.
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &now);
    }
    const auto ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}
