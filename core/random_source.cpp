// The game's one linear congruential generator.
#include "core/random_source.h"

RandomSource random_source{1};

void Seed(uint32_t value) {
    random_source.state = value;
}

int32_t Next() {
    random_source.state = random_source.state * 214013u + 2531011u;
    return static_cast<int32_t>((random_source.state >> 16) & 0x7fffu);
}
