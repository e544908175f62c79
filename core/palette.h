// The 256 colours of the frame surface. Entries 1 to 253 are light random
// colours drawn once at start-up (the first 759 draws of the run); 253, 254 and
// 255 are then fixed, and entry 0 stays black.
#pragma once

#include <cstdint>

// A colour: the palette's entries, the screens' inks, the dialogs' greys.
struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

constexpr int kPaletteEntries = 256;
constexpr uint8_t kWhiteEntry = 255;
constexpr uint8_t kLightRedEntry = 253;

// Fills entries 1 to 255 and leaves entry 0 as the caller zeroed it.
void DrawPalette(Rgb palette[kPaletteEntries]);
