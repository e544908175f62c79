// The tick where there is no Windows system timer: it advances as
// GetTickCount does, in the steps of the 64 Hz system timer.
#pragma once

#include <cstdint>

constexpr uint64_t kTimerStepNs = 15'625'000;  // 1/64 s

// GetTickCount advances with the 64 Hz system timer: its values are
// floor(n x 15.625) for n = 0, 1, 2, ... (steps of 15 or 16 ms), wrapping
// at 2^32. The tick for a monotonic uptime in nanoseconds:
constexpr uint32_t TimerTickAt(uint64_t uptime_ns) {
    // floor(n x 15.625) = floor(125 n / 8); the tick keeps the low 32 bits.
    return static_cast<uint32_t>(uptime_ns / kTimerStepNs * 125 / 8);
}

// The uptime at which the tick next changes.
constexpr uint64_t NextTimerStepAt(uint64_t uptime_ns) {
    return (uptime_ns / kTimerStepNs + 1) * kTimerStepNs;
}
