// The palette: 253 light random colours, then three fixed ones.
#include "core/palette.h"

#include "core/random_source.h"

void DrawPalette(Rgb palette[kPaletteEntries]) {
    for (int i = 1; i <= 253; ++i) {
        // Three separate statements: the order of the draws is red, green, blue.
        const int red = Next() % 96 + 128;
        const int green = Next() % 96 + 128;
        const int blue = Next() % 128 + 128;
        palette[i] = {static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                      static_cast<uint8_t>(blue)};
    }
    palette[253] = {255, 128, 128};
    palette[254] = {200, 192, 224};
    palette[255] = {255, 255, 255};
}
