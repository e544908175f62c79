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

TEST(Palette, FixedEntriesFirstRandomEntriesAndExactly759Draws) {
    ResetWorld();
    Rgb palette[kPaletteEntries] = {};
    DrawPalette(palette);
    const uint32_t after = random_source.state;
    const std::vector<std::vector<int>> expected = {
        {0, 0, 0}, {169, 163, 190}, {132, 193, 236}};  // entries 0, 1, 2
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ((std::vector<int>{palette[i].red, palette[i].green, palette[i].blue}),
                  expected[i]);
    }
    EXPECT_EQ((std::vector<int>{palette[253].red, palette[253].green, palette[253].blue,
                                palette[254].red, palette[254].green, palette[254].blue,
                                palette[255].red, palette[255].green, palette[255].blue}),
              (std::vector<int>{255, 128, 128, 200, 192, 224, 255, 255, 255}));
    random_source.state = 1;
    for (int i = 0; i < 759; ++i) {
        Next();
    }
    EXPECT_EQ(after, random_source.state);
}

TEST(ResetGame, StarFieldDrawsThenSeedThenDigits) {
    ResetWorld();
    Rgb palette[kPaletteEntries] = {};
    DrawPalette(palette);
    const uint32_t before_field = random_source.state;
    fake.tick = 123456;
    StartFirstGame();

    // The same draws again, one or two a byte, then the seed and the row.
    random_source.state = before_field;
    int lit = 0;
    for (std::size_t i = 0; i < kStarFieldBytes; ++i) {
        const int draw = Next();
        const int expected = draw % 300 != 0 ? 0 : Next() % 253 + 1;
        ASSERT_EQ(star_field[i], expected) << "byte " << i;
        lit += expected != 0;
    }
    EXPECT_GT(lit, 600) << "about one pixel in 298 is a star";
    EXPECT_LT(lit, 1200);
    Seed(123456);
    for (int i = 0; i < kRowLength; ++i) {
        EXPECT_EQ(game.digits[i], Next() % 10);
    }
}

TEST(ResetGame, FirstStarFieldIsTheSameOnEveryRun) {
    std::vector<uint8_t> fields[2];
    const uint32_t start_ticks[2] = {1000, 987654321};
    for (int run = 0; run < 2; ++run) {
        ResetWorld();
        Rgb palette[kPaletteEntries] = {};
        DrawPalette(palette);
        fake.tick = start_ticks[run];
        StartFirstGame();
        fields[run].assign(star_field, star_field + kStarFieldBytes);
    }
    EXPECT_EQ(fields[0], fields[1]);
}

TEST(ResetGame, ResetsTheGameButKeepsTheFrameGateTicks) {
    ResetWorld();
    fake.tick = 777;
    StartFirstGame();
    EXPECT_EQ(game.drill_last_frame_tick, 777u);
    GameState dirty{};
    std::fill_n(reinterpret_cast<uint8_t*>(&dirty), sizeof dirty, 0x5A);
    game = dirty;
    ResetGame();
    GameState reset = dirty;
    reset.combo = reset.miss = reset.combo_live = reset.miss_live = 0;
    reset.combo_tick = reset.drill_elapsed_ms = reset.drill_start_tick = 0;
    reset.time_limit_s = 30;
    reset.wave_phase = reset.slide_x = reset.drop_y = reset.ans = reset.final_ans = 0;
    reset.scene = Scene::Title;
    reset.title_start_tick = reset.ending_start_tick = 0;
    std::copy(std::begin(game.digits), std::end(game.digits), reset.digits);
    EXPECT_EQ(std::memcmp(&game, &reset, sizeof game), 0)
        << "every field but the frame gates' ticks is reset";
    for (int digit : game.digits) {
        EXPECT_TRUE(digit >= 0 && digit <= 9);
    }
}

}  // namespace
