// The random source and the order of its draws: the palette, then each game's
// star field, the reseed and the digits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/game_state.h"
#include "core/palette.h"
#include "core/random_source.h"
#include "core/scenes.h"
#include "tests/support/null_frontend.h"

namespace {

TEST(RandomSource, FirstDrawsFromTheStartState) {
    random_source.state = 1;
    EXPECT_EQ(Next(), 41);
    EXPECT_EQ(Next(), 18467);
    EXPECT_EQ(Next(), 6334);
}

TEST(Palette, FirstAndLastRandomEntriesAndTheFixedOnes) {
    Rgb palette[kPaletteEntries] = {};
    random_source.state = 1;
    DrawPalette(palette);
    std::vector<int> got;
    for (int entry : {0, 1, 2, 252, 253, 254, 255}) {
        got.insert(got.end(), {palette[entry].red, palette[entry].green, palette[entry].blue});
    }
    EXPECT_EQ(got, (std::vector<int>{0,   0,   0,   169, 163, 190, 132, 193, 236, 140, 141,
                                     164, 255, 128, 128, 200, 192, 224, 255, 255, 255}));
}

// The first game's star field comes after the palette's 759 draws, whatever
// the tick; the digits come from the tick. Golden values from oracle.py.
TEST(ResetGame, FirstStarFieldThenTheSeedThenTheDigits) {
    for (const uint32_t start_tick : {123456u, 987654321u}) {
        ResetWorld();
        Rgb palette[kPaletteEntries] = {};
        DrawPalette(palette);
        fake.tick = start_tick;
        StartFirstGame();
        uint32_t hash = 2166136261u;  // FNV-1a
        int lit = 0;
        for (std::size_t i = 0; i < kStarFieldBytes; ++i) {
            hash = (hash ^ star_field[i]) * 16777619u;
            lit += star_field[i] != 0;
        }
        EXPECT_EQ(lit, 863) << start_tick;
        EXPECT_EQ(hash, 0xb506414cu);
    }
    EXPECT_EQ(std::vector<int32_t>(game.digits, game.digits + kRowLength),
              (std::vector<int32_t>{3, 7, 5, 2, 2, 4, 2, 3, 3, 9, 4, 9, 0, 6, 6, 1, 2, 7, 9, 5}))
        << "dealt from a seed of 987654321";
}

TEST(ResetGame, ResetsTheGameButKeepsTheFrameGateTicks) {
    ResetWorld();
    fake.tick = 777;
    StartFirstGame();
    EXPECT_EQ(game.drill_last_frame_tick, 777u);
    std::memset(&game, 0x5A, sizeof game);
    ResetGame();
    GameState expected{};
    expected.scene = Scene::Title;
    expected.time_limit_s = 30;
    expected.title_last_frame_tick = expected.drill_last_frame_tick =
        expected.ending_last_frame_tick = 0x5A5A5A5Au;
    std::copy(std::begin(game.digits), std::end(game.digits), expected.digits);
    EXPECT_EQ(std::memcmp(&game, &expected, sizeof game), 0)
        << "every field but the frame gates' ticks is reset";
}

}  // namespace
