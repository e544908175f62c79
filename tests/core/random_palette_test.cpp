#include <gtest/gtest.h>

#include "core/game_state.h"
#include "core/palette.h"
#include "core/random_source.h"
#include "tests/core/fake_frontend.h"

namespace {

// An independent reading of the generator's definition, to check the order
// of the draws the game makes against.
struct ReferenceLcg {
    uint32_t state;
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>(state >> 16 & 0x7fff);
    }
};

TEST(RandomSource, FirstDrawsFromTheStartState) {
    ResetWorld();
    EXPECT_EQ(Next(), 41);
    EXPECT_EQ(Next(), 18467);
    EXPECT_EQ(Next(), 6334);
}

TEST(RandomSource, SeedRestartsTheSequenceAndDrawsStayIn15Bits) {
    Seed(0xFFFFFFFFu);
    const int a = Next();
    const int b = Next();
    Seed(0xFFFFFFFFu);
    EXPECT_EQ(Next(), a);
    EXPECT_EQ(Next(), b);
    for (int i = 0; i < 100000; ++i) {
        const int v = Next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(Palette, FixedEntriesAndFirstRandomEntries) {
    ResetWorld();
    PaletteEntry palette[kPaletteEntries] = {};
    DrawPalette(palette);
    EXPECT_EQ(palette[0].red + palette[0].green + palette[0].blue, 0);
    EXPECT_EQ(palette[1].red, 169);
    EXPECT_EQ(palette[1].green, 163);
    EXPECT_EQ(palette[1].blue, 190);
    EXPECT_EQ(palette[2].red, 132);
    EXPECT_EQ(palette[2].green, 193);
    EXPECT_EQ(palette[2].blue, 236);
    EXPECT_EQ(palette[253].red, 255);
    EXPECT_EQ(palette[253].green, 128);
    EXPECT_EQ(palette[253].blue, 128);
    EXPECT_EQ(palette[254].red, 200);
    EXPECT_EQ(palette[254].green, 192);
    EXPECT_EQ(palette[254].blue, 224);
    EXPECT_EQ(palette[255].red, 255);
    EXPECT_EQ(palette[255].green, 255);
    EXPECT_EQ(palette[255].blue, 255);
    for (int i = 1; i <= 252; ++i) {
        EXPECT_GE(palette[i].red, 128);
        EXPECT_LE(palette[i].red, 223);
        EXPECT_GE(palette[i].green, 128);
        EXPECT_LE(palette[i].green, 223);
        EXPECT_GE(palette[i].blue, 128);
    }
}

TEST(Palette, TakesExactly759Draws) {
    ResetWorld();
    PaletteEntry palette[kPaletteEntries] = {};
    DrawPalette(palette);
    ReferenceLcg reference{1};
    for (int i = 0; i < 759; ++i) {
        reference.Next();
    }
    EXPECT_EQ(random_source.state, reference.state);
}

TEST(ResetGame, StarFieldDrawsThenSeedThenDigits) {
    ResetWorld();
    PaletteEntry palette[kPaletteEntries] = {};
    DrawPalette(palette);
    ReferenceLcg reference{random_source.state};

    fake.tick = 123456;
    StartFirstGame();

    int lit = 0;
    for (std::size_t i = 0; i < kStarFieldBytes; ++i) {
        const int draw = reference.Next();
        const int expected = draw % 300 != 0 ? 0 : reference.Next() % 253 + 1;
        ASSERT_EQ(star_field[i], expected) << "byte " << i;
        lit += expected != 0;
    }
    // About one pixel in 298 is a star.
    EXPECT_GT(lit, 600);
    EXPECT_LT(lit, 1200);

    ReferenceLcg digits{123456};
    for (int i = 0; i < kRowLength; ++i) {
        EXPECT_EQ(game.digits[i], digits.Next() % 10);
    }
}

TEST(ResetGame, FirstStarFieldIsTheSameOnEveryRun) {
    std::vector<uint8_t> first;
    for (uint32_t start_tick : {1000u, 987654321u}) {
        ResetWorld();
        PaletteEntry palette[kPaletteEntries] = {};
        DrawPalette(palette);
        fake.tick = start_tick;
        StartFirstGame();
        std::vector<uint8_t> field(star_field, star_field + kStarFieldBytes);
        if (first.empty()) {
            first = field;
        } else {
            EXPECT_EQ(field, first);
        }
    }
}

TEST(ResetGame, ResetsTheGameButKeepsTheFrameGateTicks) {
    ResetWorld();
    fake.tick = 777;
    StartFirstGame();
    EXPECT_EQ(game.drill_last_frame_tick, 777u);
    game.title_last_frame_tick = 11;
    game.drill_last_frame_tick = 22;
    game.ending_last_frame_tick = 33;
    game.scene = Scene::Ending;
    game.ans = 50;
    game.combo = 3;
    game.miss = 2;
    game.combo_live = 1;
    game.miss_live = 1;
    game.combo_tick = 9;
    game.slide_x = 4;
    game.drop_y = 5;
    game.time_limit_s = 99;
    game.drill_start_tick = 8;
    game.drill_elapsed_ms = 7;
    game.final_ans = 6;
    game.wave_phase = 70;
    game.title_start_tick = 5;
    game.ending_start_tick = 4;

    ResetGame();
    EXPECT_EQ(game.scene, Scene::Title);
    EXPECT_EQ(game.ans, 0);
    EXPECT_EQ(game.combo, 0);
    EXPECT_EQ(game.miss, 0);
    EXPECT_EQ(game.combo_live, 0);
    EXPECT_EQ(game.miss_live, 0);
    EXPECT_EQ(game.combo_tick, 0u);
    EXPECT_EQ(game.slide_x, 0);
    EXPECT_EQ(game.drop_y, 0);
    EXPECT_EQ(game.time_limit_s, 30u);
    EXPECT_EQ(game.drill_start_tick, 0u);
    EXPECT_EQ(game.drill_elapsed_ms, 0u);
    EXPECT_EQ(game.final_ans, 0);
    EXPECT_EQ(game.wave_phase, 0);
    EXPECT_EQ(game.title_start_tick, 0u);
    EXPECT_EQ(game.ending_start_tick, 0u);
    EXPECT_EQ(game.title_last_frame_tick, 11u);
    EXPECT_EQ(game.drill_last_frame_tick, 22u);
    EXPECT_EQ(game.ending_last_frame_tick, 33u);
    for (int digit : game.digits) {
        EXPECT_GE(digit, 0);
        EXPECT_LE(digit, 9);
    }
    for (std::size_t i = 0; i < kStarFieldBytes; ++i) {
        ASSERT_LE(star_field[i], 253);
    }
}

}  // namespace
