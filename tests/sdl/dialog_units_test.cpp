#include "sdl/dialog_units.h"

#include <gtest/gtest.h>

namespace {

TEST(MulDiv, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(13, 7, 4), 23);  // 22.75
    EXPECT_EQ(MulDiv(1, 1, 2), 1);    // 0.5
    EXPECT_EQ(MulDiv(5, 1, 4), 1);    // 1.25
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);  // -0.5
    EXPECT_EQ(MulDiv(-5, 3, 4), -4);  // -3.75
    EXPECT_EQ(MulDiv(5, -3, 4), -4);
    EXPECT_EQ(MulDiv(-6, 1, -4), 2);    // 1.5
    EXPECT_EQ(MulDiv(77, 12, 8), 116);  // 115.5
}

TEST(MulDiv, NeedsNoRoomInThirtyTwoBitsForTheProduct) {
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(MulDiv(3, 1, 0), -1);
}

TEST(DialogUnits, BaseUnitIsTheRoundedAverageLetterWidth) {
    EXPECT_EQ(BaseUnitsFromFont(312, 12).base_x, 6);  // exactly 6
    EXPECT_EQ(BaseUnitsFromFont(337, 12).base_x, 6);  // 6.48
    EXPECT_EQ(BaseUnitsFromFont(338, 12).base_x, 7);  // 6.5
    EXPECT_EQ(BaseUnitsFromFont(363, 12).base_x, 7);  // 6.98
    EXPECT_EQ(BaseUnitsFromFont(338, 12).base_y, 12);
    EXPECT_EQ(BaseUnitsFromFont(338, 16).base_y, 16);
}

TEST(DialogUnits, EachValueIsConvertedOnItsOwn) {
    const DialogUnits units{7, 12};
    // The name field: 13, 23, 93, 14 dialog units.
    const PixelRect edit = DialogRectToPixels(units, 13, 23, 93, 14);
    EXPECT_EQ(edit.x, 23);       // 22.75
    EXPECT_EQ(edit.y, 35);       // 34.5
    EXPECT_EQ(edit.width, 163);  // 162.75; from the right edge it would be 186 - 23 = 163 too
    EXPECT_EQ(edit.height, 21);
    // Here the two ways differ: from its edges, 2 units from x 2 would be
    // 7 - 4 = 3 pixels wide at 7 and 3 - 2 = 1 high at 12.
    const PixelRect small = DialogRectToPixels(units, 2, 1, 2, 1);
    EXPECT_EQ(small.x, 4);       // 3.5
    EXPECT_EQ(small.width, 4);   // 3.5
    EXPECT_EQ(small.y, 2);       // 1.5
    EXPECT_EQ(small.height, 2);  // 1.5
}

}  // namespace
