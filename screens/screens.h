// Shared geometry of the screens.
#pragma once

#include <cstdint>

// The title's wave: the y of glyph i for a phase, from the degrees-to-radians
// factor the game has always used (3.14159 / 180, not pi / 180), truncated.
int32_t WaveY(int32_t wave_phase, int32_t i);
