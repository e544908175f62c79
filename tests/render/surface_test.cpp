// The frame surface: its palette, the ink rule and where the star field lands.
#include <gtest/gtest.h>

#include <cstring>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "render/surface.h"

namespace {

// The generator as the game defines it, kept apart from the core's.
struct Lcg {
    uint32_t state = 1;
    int32_t Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>(state >> 16 & 0x7fff);
    }
};

class SurfaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        random_source.state = 1;
        std::memset(frame_surface.pixels, 0x5A, sizeof frame_surface.pixels);
        CreateFrameSurface();
    }
};

TEST_F(SurfaceTest, PaletteIsDrawnFromTheFirst759Draws) {
    Lcg lcg;
    for (int i = 1; i <= 252; ++i) {
        const int red = lcg.Next() % 96 + 128;
        const int green = lcg.Next() % 96 + 128;
        const int blue = lcg.Next() % 128 + 128;
        ASSERT_EQ(frame_surface.palette[i].red, red) << i;
        ASSERT_EQ(frame_surface.palette[i].green, green) << i;
        ASSERT_EQ(frame_surface.palette[i].blue, blue) << i;
    }
    for (int k = 0; k < 3; ++k) {
        lcg.Next();  // entry 253's draws, overwritten afterwards
    }
    EXPECT_EQ(random_source.state, lcg.state) << "exactly 759 draws";

    const PaletteEntry& e1 = frame_surface.palette[1];
    const PaletteEntry& e2 = frame_surface.palette[2];
    EXPECT_EQ((e1.red << 16 | e1.green << 8 | e1.blue), (169 << 16 | 163 << 8 | 190));
    EXPECT_EQ((e2.red << 16 | e2.green << 8 | e2.blue), (132 << 16 | 193 << 8 | 236));
    const PaletteEntry fixed[4] = {{0, 0, 0}, {255, 128, 128}, {200, 192, 224}, {255, 255, 255}};
    const int fixed_index[4] = {0, 253, 254, 255};
    for (int k = 0; k < 4; ++k) {
        const PaletteEntry& e = frame_surface.palette[fixed_index[k]];
        EXPECT_EQ(e.red, fixed[k].red) << fixed_index[k];
        EXPECT_EQ(e.green, fixed[k].green) << fixed_index[k];
        EXPECT_EQ(e.blue, fixed[k].blue) << fixed_index[k];
    }
}

TEST_F(SurfaceTest, CreationClearsThePixelsToBlack) {
    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        ASSERT_EQ(frame_surface.pixels[k], 0) << k;
    }
}

TEST_F(SurfaceTest, InkTakesTheNearestEntry) {
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {255, 255, 255}), 255);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {255, 0, 0}), 253);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {0, 0, 0}), 0);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {200, 192, 224}), 254);
    EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {169, 163, 190}), 1);

    // Two entries equally near: the lower one wins.
    PaletteEntry palette[kPaletteEntries] = {};
    for (auto& e : palette) {
        e = {0, 0, 0};
    }
    palette[10] = {100, 100, 100};
    palette[20] = {120, 100, 100};
    palette[0] = {250, 250, 250};
    EXPECT_EQ(NearestPaletteEntry(palette, {110, 100, 100}), 10);
    EXPECT_EQ(NearestPaletteEntry(palette, {111, 100, 100}), 20);
}

TEST_F(SurfaceTest, StarFieldLandsBottomUp) {
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
