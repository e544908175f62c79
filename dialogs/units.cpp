// Dialog units converted to pixels as the Windows dialog manager converts them.
#include "dialogs/units.h"

int32_t MulDivRounded(int32_t number, int32_t numerator, int32_t denominator) {
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

Rect DialogRectToPixels(const DialogUnits& units, const UnitRect& rect) {
    const int32_t left = MulDivRounded(rect.x, units.base_x, 4);
    const int32_t top = MulDivRounded(rect.y, units.base_y, 8);
    return {left, top, left + MulDivRounded(rect.width, units.base_x, 4),
            top + MulDivRounded(rect.height, units.base_y, 8)};
}
