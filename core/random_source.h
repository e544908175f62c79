// The game's only source of chance: one linear congruential generator whose
// draws, taken in a fixed order, make the palette, the star fields and the
// digit rows. Its state is 1 when the program starts, so the palette and the
// first game's star field are the same on every run.
#pragma once

#include <cstdint>

struct RandomSource {
    uint32_t state;
};

extern RandomSource random_source;

void Seed(uint32_t value);

// Steps the state and returns bits 16 to 30 of the new state (0 to 32767).
int32_t Next();
