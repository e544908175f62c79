#include "sdl/dialog_units.h"

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
    if (denominator == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(number) * numerator;
    const int64_t half = (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const int64_t magnitude = ((product < 0 ? -product : product) + half) /
                              (denominator < 0 ? -denominator : denominator);
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

DialogUnits BaseUnitsFromFont(int32_t letters_width, int32_t cell_height) {
    // Width per pair of letters, then halved with rounding: the dialog
    // manager's own way of averaging the 52 letters.
    return {(letters_width / 26 + 1) / 2, cell_height};
}

PixelRect DialogRectToPixels(const DialogUnits& units, int32_t x, int32_t y, int32_t width,
                             int32_t height) {
    return {MulDiv(x, units.base_x, 4), MulDiv(y, units.base_y, 8), MulDiv(width, units.base_x, 4),
            MulDiv(height, units.base_y, 8)};
}
