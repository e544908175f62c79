// The three screens' texts, fonts, inks and places, as recorded.
#include <gtest/gtest.h>
#include <iconv.h>

#include <climits>
#include <cstring>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "core/game_state.h"
#include "core/rank_table.h"
#include "null/shell.h"
#include "screens/screens.h"

namespace {

// The C library's converter, from the texts as a player reads them.
std::string Cp932(std::string utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char *in = utf8.data(), *to = out.data();
    size_t in_left = utf8.size(), out_left = out.size();
    EXPECT_NE(iconv(cd, &in, &in_left, &to, &out_left), static_cast<size_t>(-1));
    iconv_close(cd);
    return out.substr(0, out.size() - out_left);
}

// Every call as one line, its numbers then its text: "ink r g b",
// "font h w <face>", "text x y <text>", "centred l t r b <text>", "release".
std::vector<std::string> Listing() {
    const std::string mincho = Cp932("ＭＳ 明朝"), gothic = Cp932("ＭＳ ゴシック");
    std::vector<std::string> out;
    for (const Call& c : fake.calls) {
        int values = c.kind == "ink" ? 3 : c.kind == "centred" ? 4 : c.kind == "release" ? 0 : 2;
        std::string line = c.kind;
        for (int32_t value : {c.a, c.b, c.c, c.d}) {
            line += values-- > 0 ? " " + std::to_string(value) : "";
        }
        const std::string text = c.text == mincho ? "mincho" : c.text == gothic ? "gothic" : c.text;
        out.push_back(text.empty() ? line : line + " " + text);
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

TEST_F(Screens, TitleWithItsRecordLinesCountingBytesAndKeepingNamesInsideTheirFields) {
    // A name of 256 bytes fills its field; the next field has no NUL.
    const std::string kana = Cp932("あいうえおかき");  // 14 bytes: six spaces, not thirteen
    const std::string zero = "                   0";
    const std::tuple<std::string, int32_t, int32_t, std::string, std::string, std::string> cases[] =
        {{"DEFAULT_PLAYER", 5, 0, "      DEFAULT_PLAYER", "                   5", "000000"},
         {kana, -9999, 1000000, "      " + kana, "               -9999", "1000000"},
         {std::string(255, 'n'), 0, 0, std::string(255, 'n'), zero, "000000"},
         {std::string(256, 'z'), 0, 0, std::string(256, 'z'), zero, "000000"}};
    const int wave_y[23] = {351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359, 356,
                            351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359};
    for (const auto& [name, best, plays, player, points, play_number] : cases) {
        fake.calls.clear();
        std::memset(rank_table.player_names[0], 0, kNameField);
        std::memcpy(rank_table.player_names[0], name.data(), name.size());
        std::memset(rank_table.player_names[1], 'Q', kNameField);
        rank_table.points[0] = best;
        rank_table.play_number = plays;
        DrawTitleScreen();
        std::vector<std::string> expected(
            {"ink 255 255 255", "font 80 30 mincho", "centred 0 100 512 200 Kobaru", "release",
             "font 16 8 mincho",
             "centred 0 200 512 240 " + Cp932("～　SPI（クレベリン検査）を倒すために　～"),
             "release", "font 16 8 gothic", "text 120 270 TopPlayer:" + player,
             "text 120 290 TopPoint :" + points, "release", "font 50 20 gothic"});
        for (int i = 0; i < 23; ++i) {
            expected.push_back("text " + std::to_string(30 + 20 * i) + " " +
                               std::to_string(wave_y[i]) + " " +
                               std::string(1, "Press Return(Enter) Key"[i]));
        }
        expected.insert(expected.end(),
                        {"release", "font 50 20 Times New Roman",
                         "centred 0 420 512 470 Play Number : " + play_number, "release"});
        EXPECT_EQ(Listing(), expected) << name;
    }
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

TEST_F(Screens, DrillFirstFrame) {
    std::iota(std::begin(game.digits), std::end(game.digits), 0);  // tells the cells apart
    DrawDrillScreen();
    std::vector<std::string> expected = {"font 140 60 Times New Roman"};
    for (int i = 0; i < kRowLength; ++i) {
        // The red pair, cells 1 and 2, at x = 40 and 168.
        const int left = 40 + 128 * (i - 1);
        expected.push_back(i == 1 || i == 2 ? "ink 255 0 0" : "ink 255 255 255");
        expected.push_back("centred " + std::to_string(left) + " 100 " + std::to_string(left + 60) +
                           " 240 " + std::to_string(i));
    }
    expected.insert(expected.end(),
                    {"release", "font 60 30 Times New Roman", "text 50 300 Time [ 00'30\"]",
                     "release", "font 80 50 Times New Roman", "centred 0 350 512 450 Ans:00000",
                     "release", "ink 255 255 255"});
    EXPECT_EQ(Listing(), expected);
}

TEST_F(Screens, DrillStatusLines) {
    // "x y text" joined by "|", then the score. A combo hides the miss line; its
    // window, read afresh, may go a little below zero, across the wrap too.
    const std::tuple<uint32_t, uint32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t, std::string>
        cases[] = {
            {1001, 30, 0, 0, 0, 0, 0, "50 300 Time [ 00'29\"]|Ans:00000"},
            {29999, 30, 0, 0, 1234, 0, 0, "50 300 Time [ 00'01\"]|Ans:01234"},
            {30000, 30, 0, 0, -9999, 0, 0, "50 300    [Finish!!]|Ans:-9999"},
            {0, 125, 0, 12, -13, 0, 0, "50 300 Time [ 02'05\"]|90 30 Miss :  12|Ans:-0013"},
            {0, 30, 1, 4, 123456, 50000, 50000,
             "50 300 Time [ 00'30\"]|80 30 Combo :   1|100 95 ComboTime [       900]|Ans:123456"},
            {0, 30, 2, 0, 0, 50000, 50901,
             "50 300 Time [ 00'30\"]|80 30 Combo :   2|100 95 ComboTime [        -1]|Ans:00000"},
            {0, 30, 2, 0, 0, 0xFFFFFF00u, 0x10,
             "50 300 Time [ 00'30\"]|80 30 Combo :   2|100 95 ComboTime [       628]|Ans:00000"}};
    for (const auto& c : cases) {
        fake.calls.clear();
        std::tie(game.drill_elapsed_ms, game.time_limit_s, game.combo, game.miss, game.ans,
                 game.combo_tick, fake.tick, std::ignore) = c;
        DrawDrillScreen();
        std::string texts;
        for (const Call& text : CallsOf("text")) {
            texts += std::to_string(text.a) + " " + std::to_string(text.b) + " " + text.text + "|";
        }
        EXPECT_EQ(texts + CallsOf("centred")[kRowLength].text, std::get<7>(c));
    }
}

TEST_F(Screens, Ending) {
    DrawEndingScreen();
    EXPECT_EQ(
        Listing(),
        (std::vector<std::string>{
            "ink 255 0 0", "font 50 25 mincho", "centred 0 50 512 100 [Kobaru]", "ink 255 255 255",
            "release", "font 50 20 mincho", "text 30 250 " + Cp932("企画・開発　Ondaval"),
            "text 50 320 " + Cp932("技術協力　Mirraq"), "text 50 370 " + Cp932("技術協力　Zeltho"),
            "release", "font 50 20 Times New Roman", "text 70 150 Thank U 4 Playing!",
            "text 75 440 Press Return Key!", "release"}));
}

}  // namespace
