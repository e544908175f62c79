// The simulator's clocks and keyboard: whatever the script last set.
#include "core/frontend.h"
#include "sim/shell.h"

SimWorld sim;

uint32_t GetTick() {
    return sim.tick;
}

bool IsKeyDown(uint8_t virtual_key) {
    return sim.keys_down[virtual_key];
}

// As far past the wall clock's start as the scripted clock is past the start
// tick, across the tick's wrap too, so that every run of a script records the
// same times.
int64_t WallClockMs() {
    return sim.wall_start_ms + (sim.tick - sim.start_tick);
}
