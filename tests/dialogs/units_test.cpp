// Dialog units converted to pixels with the dialog manager's rounding.
#include "dialogs/units.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MulDivRounded, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDivRounded(13, 7, 4), 23);  // 22.75
    EXPECT_EQ(MulDivRounded(1, 1, 2), 1);    // 0.5
    EXPECT_EQ(MulDivRounded(5, 1, 4), 1);    // 1.25
    EXPECT_EQ(MulDivRounded(-1, 1, 2), -1);  // -0.5
    EXPECT_EQ(MulDivRounded(-5, 3, 4), -4);  // -3.75
    EXPECT_EQ(MulDivRounded(5, -3, 4), -4);
    EXPECT_EQ(MulDivRounded(-6, 1, -4), 2);    // 1.5
    EXPECT_EQ(MulDivRounded(77, 12, 8), 116);  // 115.5
}

TEST(MulDivRounded, NeedsNoRoomInThirtyTwoBitsForTheProduct) {
    EXPECT_EQ(MulDivRounded(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(MulDivRounded(3, 1, 0), -1);
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
    // The name field, 13, 23, 93, 14 dialog units: x 22.75, y 34.5, width
    // 162.75, height 21.
    const Rect edit = DialogRectToPixels(units, {13, 23, 93, 14});
    EXPECT_EQ((std::vector<int32_t>{edit.left, edit.top, edit.right, edit.bottom}),
              (std::vector<int32_t>{23, 35, 23 + 163, 35 + 21}));
    // Here the two ways differ: from its edges, 2 units from x 2 would be
    // 7 - 4 = 3 pixels wide at 7 and 3 - 2 = 1 high at 12; on its own each
    // value is 3.5 or 1.5, rounded up.
    const Rect small = DialogRectToPixels(units, {2, 1, 2, 1});
    EXPECT_EQ((std::vector<int32_t>{small.left, small.top, small.right, small.bottom}),
              (std::vector<int32_t>{4, 2, 8, 4}));
}

}  // namespace
