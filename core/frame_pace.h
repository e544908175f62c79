// The pace of the frame loop where there is no Windows system timer: a tick
// that advances as GetTickCount does, and a loop that waits instead of
// spinning when a frame call could do nothing.
#pragma once

#include <cstdint>

#include "core/game_state.h"

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

// What the loop remembers of its last RunFrame call.
struct LastFrameCall {
    bool made = false;
    uint32_t tick = 0;         // read just before the call
    bool moved_scene = false;  // the call left another scene than it found
};

// Calls RunFrame unless the call could do nothing, and says whether it did.
// A call can do nothing when the previous one was made at this same tick and
// left the scene unchanged: every frame gate refuses at an unchanged tick,
// the coarse clock does not move and keys are read only in drawn frames. A
// new tick, or a scene changed by the previous call (the title's first frame
// after the ending), always runs at once, so the game behaves exactly as
// with a loop that spins.
bool RunFrameUnlessIdle(LastFrameCall& last);
