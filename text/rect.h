// A rectangle of pixels, as texts are centred and clipped in it and the
// dialogs' controls are laid out: right and bottom are exclusive.
#pragma once

#include <cstdint>

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
