// The null frontend's clocks and keys: what its driver set, every reading and
// every question recorded.
#include "core/frontend.h"
#include "null/shell.h"

uint32_t GetTick() {
    const uint32_t now = fake.tick;
    fake.tick += fake.tick_step_per_read;
    return now;
}

bool IsKeyDown(uint8_t virtual_key) {
    fake.key_queries.push_back(virtual_key);
    return fake.keys[virtual_key];
}

int64_t WallClockMs() {
    return fake.wall_ms;
}
