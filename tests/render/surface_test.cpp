// The frame surface and the text operations on it: the palette entries ink
// lands on, centring and clipping of DrawCentredLine, font selection and the
// bottom-up rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "render/surface.h"
#include "render/text.h"
#include "screens/faces.h"
#include "screens/text_ops.h"

namespace {

struct Box {
    int32_t left = INT32_MAX;
    int32_t top = INT32_MAX;
    int32_t right = INT32_MIN;
    int32_t bottom = INT32_MIN;
    int32_t count = 0;
};

uint8_t SurfaceAt(int32_t x, int32_t y) {
    return frame_surface.pixels[PixelOffset(x, y)];
}

Box Changed(const std::vector<uint8_t>& before) {
    Box box;
    for (int32_t y = 0; y < kSurfaceSize; ++y) {
        for (int32_t x = 0; x < kSurfaceSize; ++x) {
            if (SurfaceAt(x, y) != before[PixelOffset(x, y)]) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x + 1);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y + 1);
                ++box.count;
            }
        }
    }
    return box;
}

class Surface : public ::testing::Test {
  protected:
    void SetUp() override {
        random_source.state = 1;
        CreateFrameSurface();
        // A sparse field of every star colour.
        for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
            star_field[k] = k % 97 == 0 ? static_cast<uint8_t>(k / 97 % 253 + 1) : 0;
        }
        CopyStarField();
        SetInk(kWhite);
    }
    void TearDown() override { std::memset(star_field, 0, kStarFieldBytes); }
    std::vector<uint8_t> Before() const {
        return {frame_surface.pixels, frame_surface.pixels + kStarFieldBytes};
    }
};

TEST_F(Surface, InkLandsOnTheNearestEntries) {
    ScreenFont font = SelectScreenFont(kFaceTimes, 60, 30);
    SetInk(kRed);
    auto before = Before();
    DrawTextAt(50, 50, "Combo", 5);
    SetInk(kWhite);
    DrawTextAt(50, 150, "Combo", 5);
    ReleaseScreenFont(font);
    int32_t red = 0;
    int32_t white = 0;
    for (int32_t y = 0; y < kSurfaceSize; ++y) {
        for (int32_t x = 0; x < kSurfaceSize; ++x) {
            const uint8_t now = SurfaceAt(x, y);
            if (now == before[PixelOffset(x, y)]) {
                continue;
            }
            if (y < 130) {
                ASSERT_EQ(now, 253) << x << "," << y;
                ++red;
            } else {
                ASSERT_EQ(now, 255) << x << "," << y;
                ++white;
            }
        }
    }
    EXPECT_GT(red, 300);
    EXPECT_EQ(red, white) << "the same text in the same font";
}

TEST_F(Surface, CentredLineIsCentredBothWays) {
    ScreenFont font = SelectScreenFont(kFaceTimes, 50, 20);
    const Rect rect{100, 200, 400, 300};
    auto before = Before();
    DrawCentredLine(rect, "Play Number : 000000");
    const Box ink = Changed(before);
    ReleaseScreenFont(font);
    ASSERT_GT(ink.count, 0);
    // The ink box sits within a side bearing or two of the centre.
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 250, 3);
    // Vertically the cell, not the ink, is centred: rows 225 to 274.
    EXPECT_GE(ink.top, 225);
    EXPECT_LE(ink.bottom, 275);
    EXPECT_GT(ink.bottom, 260) << "digits stand on the baseline, low in the cell";
}

TEST_F(Surface, TooWideLineIsCutOnBothSidesStillCentred) {
    ScreenFont font = SelectScreenFont(kFaceTimes, 80, 50);
    const Rect rect{150, 100, 350, 200};
    auto before = Before();
    DrawCentredLine(rect, "Ans:123456789");
    const Box ink = Changed(before);
    ReleaseScreenFont(font);
    EXPECT_EQ(ink.left, rect.left);
    EXPECT_EQ(ink.right, rect.right);
    EXPECT_GE(ink.top, rect.top);
    EXPECT_LE(ink.bottom, rect.bottom);
}

TEST_F(Surface, TallLineIsClippedToItsRectangle) {
    ScreenFont font = SelectScreenFont(kFaceTimes, 140, 60);
    auto before = Before();
    // A digit cell partly above the surface: the surface cuts the glyph.
    DrawCentredLine({168, -60, 228, 80}, "8");
    const Box above = Changed(before);
    ASSERT_GT(above.count, 0);
    EXPECT_EQ(above.top, 0);
    EXPECT_GE(above.left, 168);
    EXPECT_LE(above.right, 228);
    EXPECT_LE(above.bottom, 80);

    // A rectangle lower than the cell: the rectangle cuts it at both ends.
    CopyStarField();
    before = Before();
    DrawCentredLine({300, 200, 360, 250}, "8");
    const Box low = Changed(before);
    ReleaseScreenFont(font);
    EXPECT_EQ(low.top, 200);
    EXPECT_EQ(low.bottom, 250);
    EXPECT_GE(low.left, 300);
    EXPECT_LE(low.right, 360);
}

TEST_F(Surface, InkTakesTheNearestEntry) {
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {255, 255, 255}), 255);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {255, 0, 0}), 253);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {0, 0, 0}), 0);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {200, 192, 224}), 254);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {169, 163, 190}), 1);

    // Two entries equally near: the lower one wins.
    Rgb palette[kPaletteEntries] = {};
    for (auto& e : palette) {
        e = {0, 0, 0};
    }
    palette[10] = {100, 100, 100};
    palette[20] = {120, 100, 100};
    palette[0] = {250, 250, 250};
    EXPECT_EQ(NearestPaletteEntry(palette, {110, 100, 100}), 10);
    EXPECT_EQ(NearestPaletteEntry(palette, {111, 100, 100}), 20);
}

TEST_F(Surface, StarFieldLandsBottomUp) {
    // Byte k of the pixels is column k mod 512, row 511 - k div 512.
    EXPECT_EQ(PixelOffset(0, 511), 0u);
    EXPECT_EQ(PixelOffset(511, 511), 511u);
    EXPECT_EQ(PixelOffset(0, 0), 261632u);
    EXPECT_EQ(PixelOffset(511, 0), 262143u);
    EXPECT_EQ(PixelOffset(3, 510), 515u);

    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        star_field[k] = static_cast<uint8_t>(k * 7 % 254);
    }
    CopyStarField();
    EXPECT_EQ(std::memcmp(frame_surface.pixels, star_field, kStarFieldBytes), 0);
    std::memset(star_field, 0, kStarFieldBytes);
}

}  // namespace
