// The three screens' texts, fonts, inks and places, as recorded.
#include <gtest/gtest.h>
#include <iconv.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "core/rank_table.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

// The C library's own converter, to check the screens' code page 932 bytes
// against the texts as a player reads them.
std::string ToCp932(std::string utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in_ptr = utf8.data();
    char* out_ptr = out.data();
    size_t in_left = utf8.size();
    size_t out_left = out.size();
    EXPECT_NE(iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

// Every call as one line: "font <face> h w", "ink r g b", "text x y <text>",
// "centred l t r b <text>", "release"; faces by their kind.
std::vector<std::string> Listing() {
    const std::string mincho = ToCp932("ＭＳ 明朝");
    const std::string gothic = ToCp932("ＭＳ ゴシック");
    std::vector<std::string> out;
    for (const Call& c : fake.calls) {
        std::string line = c.kind;
        const std::string text = c.kind != "font"   ? c.text
                                 : c.text == mincho ? "mincho"
                                 : c.text == gothic ? "gothic"
                                                    : c.text;
        const int32_t values = c.kind == "ink"                        ? 3
                               : c.kind == "font" || c.kind == "text" ? 2
                               : c.kind == "centred"                  ? 4
                                                                      : 0;
        const int32_t numbers[] = {c.a, c.b, c.c, c.d};
        if (c.kind == "font") {
            line += " " + text;
        }
        for (int32_t i = 0; i < values; ++i) {
            line += " " + std::to_string(numbers[i]);
        }
        if (c.kind == "text" || c.kind == "centred") {
            line += " " + text;
        }
        out.push_back(line);
    }
    return out;
}

class Screens : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        game.time_limit_s = 30;
        game.wave_phase = 7;
    }
};

TEST_F(Screens, TitleWithTheDefaultTableAndTheWaveOfTheFirstFrame) {
    DrawTitleScreen();
    std::vector<std::string> expected = {
        "ink 255 255 255",
        "font mincho 80 30",
        "centred 0 100 512 200 Kobaru",
        "release",
        "font mincho 16 8",
        "centred 0 200 512 240 " + ToCp932("～　SPI（クレベリン検査）を倒すために　～"),
        "release",
        "font gothic 16 8",
        "text 120 270 TopPlayer:      DEFAULT_PLAYER",
        "text 120 290 TopPoint :                   5",
        "release",
        "font gothic 50 20"};
    const int wave_y[23] = {351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359, 356,
                            351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359};
    const std::string prompt = "Press Return(Enter) Key";
    for (int i = 0; i < 23; ++i) {
        expected.push_back("text " + std::to_string(30 + 20 * i) + " " + std::to_string(wave_y[i]) +
                           " " + prompt.substr(i, 1));
    }
    expected.insert(expected.end(), {"release", "font Times New Roman 50 20",
                                     "centred 0 420 512 470 Play Number : 000000", "release"});
    EXPECT_EQ(Listing(), expected);
}

TEST(WaveY, FactorAndTruncation) {
    const int cases[][3] = {{0, 0, 350},   {30, 0, 354},  {90, 0, 359},
                            {270, 0, 340}, {360, 0, 349}, {120, 3, 354}};
    for (const auto& c : cases) {
        EXPECT_EQ(WaveY(c[0], c[1]), c[2]) << c[0] << " " << c[1];
    }
    // Far from zero the angle wraps as a 32-bit integer instead of overflowing.
    EXPECT_EQ(WaveY(INT32_MIN, 1), WaveY(INT32_MAX - 29, 0));
}

TEST_F(Screens, TitleRecordLinesCountBytesAndKeepNamesInsideTheirFields) {
    struct Case {
        std::string name;  // the whole 256-byte field when 256 long
        int32_t best;
        int32_t plays;
        std::string player, points, plays_line;
    };
    const std::string kana = ToCp932("あいうえおかき");  // 14 bytes: six spaces, not thirteen
    const Case cases[] = {
        {kana, -9999, 1000000, "      " + kana, "               -9999", "1000000"},
        {std::string(255, 'n'), 0, 0, std::string(255, 'n'), "                   0", "000000"},
        {std::string(256, 'z'), 0, 0, std::string(256, 'z'), "                   0", "000000"},
    };
    for (const Case& c : cases) {
        fake.calls.clear();
        std::memset(rank_table.player_names[0], 0, kNameField);
        std::memcpy(rank_table.player_names[0], c.name.data(), c.name.size());
        std::memset(rank_table.player_names[1], 'Q', kNameField);
        rank_table.points[0] = c.best;
        rank_table.play_number = c.plays;
        DrawTitleScreen();
        const auto texts = CallsOf("text");
        EXPECT_EQ(texts[0].text, "TopPlayer:" + c.player);
        EXPECT_EQ(texts[1].text, "TopPoint :" + c.points);
        EXPECT_EQ(CallsOf("centred")[2].text, "Play Number : " + c.plays_line);
    }
}

TEST_F(Screens, DrillFirstFrame) {
    for (int i = 0; i < kRowLength; ++i) {
        game.digits[i] = (i * 7) % 10;
    }
    DrawDrillScreen();
    std::vector<std::string> expected = {"font Times New Roman 140 60"};
    for (int i = 0; i < kRowLength; ++i) {
        expected.push_back(i == 1 || i == 2 ? "ink 255 0 0" : "ink 255 255 255");
        expected.push_back("centred " + std::to_string(128 * i - 88) + " 100 " +
                           std::to_string(128 * i - 28) + " 240 " + std::to_string(i * 7 % 10));
    }
    expected.insert(expected.end(),
                    {"release", "font Times New Roman 60 30", "text 50 300 Time [ 00'30\"]",
                     "release", "font Times New Roman 80 50", "centred 0 350 512 450 Ans:00000",
                     "release", "ink 255 255 255"});
    EXPECT_EQ(Listing(), expected);
}

TEST_F(Screens, DrillRowDuringASlideAndADrop) {
    const struct {
        int32_t slide, drop, cell, left, top;
    } cases[] = {{8, 0, 0, 40, 100}, {0, 8, 1, 40, -28}, {0, 3, 2, 168, 52}};
    for (const auto& c : cases) {
        fake.calls.clear();
        game.slide_x = c.slide;
        game.drop_y = c.drop;
        DrawDrillScreen();
        const Call cell = CallsOf("centred")[c.cell];
        EXPECT_EQ((std::vector<int32_t>{cell.a, cell.b, cell.c, cell.d}),
                  (std::vector<int32_t>{c.left, c.top, c.left + 60, c.top + 140}));
    }
}

TEST_F(Screens, DrillStatusLines) {
    struct Case {
        uint32_t elapsed, limit;
        int32_t combo, miss, ans;
        uint32_t combo_tick, tick;
        std::vector<std::string> texts;  // "x y text"
        std::string score;
    };
    const Case cases[] = {
        {1001, 30, 0, 0, 0, 0, 0, {"50 300 Time [ 00'29\"]"}, "Ans:00000"},
        {29999, 30, 0, 0, 1234, 0, 0, {"50 300 Time [ 00'01\"]"}, "Ans:01234"},
        {30000, 30, 0, 0, -9999, 0, 0, {"50 300    [Finish!!]"}, "Ans:-9999"},
        {0, 125, 0, 12, -13, 0, 0, {"50 300 Time [ 02'05\"]", "90 30 Miss :  12"}, "Ans:-0013"},
        // A combo line hides the miss line; the combo window is read afresh
        // and may go a little below zero, across the wrap of the tick too.
        {0,
         30,
         1,
         4,
         123456,
         50000,
         50000,
         {"50 300 Time [ 00'30\"]", "80 30 Combo :   1", "100 95 ComboTime [       900]"},
         "Ans:123456"},
        {0,
         30,
         2,
         0,
         0,
         50000,
         50901,
         {"50 300 Time [ 00'30\"]", "80 30 Combo :   2", "100 95 ComboTime [        -1]"},
         "Ans:00000"},
        {0,
         30,
         2,
         0,
         0,
         0xFFFFFF00u,
         0x10,
         {"50 300 Time [ 00'30\"]", "80 30 Combo :   2", "100 95 ComboTime [       628]"},
         "Ans:00000"},
    };
    for (const Case& c : cases) {
        fake.calls.clear();
        game.drill_elapsed_ms = c.elapsed;
        game.time_limit_s = c.limit;
        game.combo = c.combo;
        game.miss = c.miss;
        game.ans = c.ans;
        game.combo_tick = c.combo_tick;
        fake.tick = c.tick;
        DrawDrillScreen();
        std::vector<std::string> texts;
        for (const Call& text : CallsOf("text")) {
            texts.push_back(std::to_string(text.a) + " " + std::to_string(text.b) + " " +
                            text.text);
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(CallsOf("centred")[kRowLength].text, c.score);
    }
}

TEST_F(Screens, Ending) {
    DrawEndingScreen();
    EXPECT_EQ(
        Listing(),
        (std::vector<std::string>{
            "ink 255 0 0", "font mincho 50 25", "centred 0 50 512 100 [Kobaru]", "ink 255 255 255",
            "release", "font mincho 50 20", "text 30 250 " + ToCp932("企画・開発　Ondaval"),
            "text 50 320 " + ToCp932("技術協力　Mirraq"),
            "text 50 370 " + ToCp932("技術協力　Zeltho"), "release", "font Times New Roman 50 20",
            "text 70 150 Thank U 4 Playing!", "text 75 440 Press Return Key!", "release"}));
}

}  // namespace
