// The simulator's clock and keyboard: whatever the script last set.
#include "core/frontend.h"
#include "sim/shell.h"

SimWorld sim;

uint32_t GetTick() {
    return sim.tick;
}

bool IsKeyDown(uint8_t virtual_key) {
    return sim.keys_down[virtual_key];
}
