// Dialog units, the coordinates of the result dialogs' templates: a
// horizontal unit is a quarter of the dialog font's average letter width, a
// vertical unit an eighth of its cell height, converted with Windows' rounding.
#pragma once

#include <cstdint>

#include "text/rect.h"

struct DialogUnits {
    int32_t base_x;  // average width of the letters A-Z and a-z, rounded
    int32_t base_y;  // the font's cell height
};

// A rectangle of a template, in dialog units.
struct UnitRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// number * numerator / denominator, rounded half away from zero, with a 64-bit
// intermediate; -1 for a zero denominator, as Windows answers.
int32_t MulDivRounded(int32_t number, int32_t numerator, int32_t denominator);

// letters_width is the width of "A...Za...z" (52 letters) in the dialog font.
DialogUnits BaseUnitsFromFont(int32_t letters_width, int32_t cell_height);

// Each of the four values is converted on its own, as the dialog manager
// places its controls.
Rect DialogRectToPixels(const DialogUnits& units, const UnitRect& rect);
