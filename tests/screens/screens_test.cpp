// The three screens' texts, fonts, inks and places, as recorded.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

// The C library's own converter, to check the screens' code page 932 bytes
// against the texts as a player reads them.
std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* in_ptr = in.data();
    char* out_ptr = out.data();
    size_t in_left = in.size();
    size_t out_left = out.size();
    const size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<size_t>(-1)) << utf8;
    out.resize(out.size() - out_left);
    return out;
}

const std::string kTimes = "Times New Roman";
const std::string kGothic = ToCp932("ＭＳ ゴシック");
const std::string kMincho = ToCp932("ＭＳ 明朝");

std::vector<Call> OpsOf(const char* kind) {
    std::vector<Call> out;
    for (const Call& op : fake.calls) {
        if (op.kind == kind) {
            out.push_back(op);
        }
    }
    return out;
}

// "font(face,h,w)" / "release" / "ink(r,g,b)" / "text" / "centred" in order,
// without the texts: the shape of a frame.
std::vector<std::string> Outline() {
    std::vector<std::string> out;
    for (const Call& op : fake.calls) {
        if (op.kind == "font") {
            const std::string face = op.text == kTimes    ? "times"
                                     : op.text == kGothic ? "gothic"
                                     : op.text == kMincho ? "mincho"
                                                          : "?";
            out.push_back("font " + face + " " + std::to_string(op.a) + "x" + std::to_string(op.b));
        } else if (op.kind == "ink") {
            out.push_back(op.a == 255 && op.b == 255 && op.c == 255 ? "white"
                          : op.a == 255 && op.b == 0 && op.c == 0   ? "red"
                                                                    : "other ink");
        } else {
            out.push_back(op.kind);
        }
    }
    return out;
}

class Screens : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        game = GameState{};
        game.time_limit_s = 30;
        game.wave_phase = 7;
        SetDefaultRankTable();
    }
};

TEST_F(Screens, TitleWithTheDefaultTable) {
    DrawTitleScreen();
    std::vector<std::string> expected = {"white",   "font mincho 80x30", "centred",
                                         "release", "font mincho 16x8",  "centred",
                                         "release", "font gothic 16x8",  "text",
                                         "text",    "release",           "font gothic 50x20"};
    for (int i = 0; i < 23; ++i) {
        expected.push_back("text");
    }
    expected.insert(expected.end(), {"release", "font times 50x20", "centred", "release"});
    EXPECT_EQ(Outline(), expected);

    const auto centred = OpsOf("centred");
    ASSERT_EQ(centred.size(), 3u);
    EXPECT_EQ(centred[0].text, "Kobaru");
    EXPECT_EQ(std::vector<int>({centred[0].a, centred[0].b, centred[0].c, centred[0].d}),
              (std::vector<int>{0, 100, 512, 200}));
    EXPECT_EQ(centred[1].text, ToCp932("～　SPI（クレベリン検査）を倒すために　～"));
    EXPECT_EQ(std::vector<int>({centred[1].a, centred[1].b, centred[1].c, centred[1].d}),
              (std::vector<int>{0, 200, 512, 240}));
    EXPECT_EQ(centred[2].text, "Play Number : 000000");
    EXPECT_EQ(std::vector<int>({centred[2].a, centred[2].b, centred[2].c, centred[2].d}),
              (std::vector<int>{0, 420, 512, 470}));

    const auto texts = OpsOf("text");
    EXPECT_EQ(texts[0].text, "TopPlayer:      DEFAULT_PLAYER");
    EXPECT_EQ(texts[0].a, 120);
    EXPECT_EQ(texts[0].b, 270);
    EXPECT_EQ(texts[1].text, "TopPoint :                   5");
    EXPECT_EQ(texts[1].a, 120);
    EXPECT_EQ(texts[1].b, 290);
}

TEST_F(Screens, TitleWaveOfTheFirstFrame) {
    DrawTitleScreen();
    const auto texts = OpsOf("text");
    ASSERT_EQ(texts.size(), 25u);
    const int expected_y[23] = {351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359, 356,
                                351, 346, 342, 340, 340, 343, 348, 353, 357, 359, 359};
    const std::string prompt = "Press Return(Enter) Key";
    for (int i = 0; i < 23; ++i) {
        const Call& glyph = texts[2 + i];
        EXPECT_EQ(glyph.text, prompt.substr(i, 1));
        EXPECT_EQ(glyph.a, 30 + 20 * i);
        EXPECT_EQ(glyph.b, expected_y[i]) << "glyph " << i;
    }
}

TEST(WaveY, FactorAndTruncation) {
    // The glyph at index 0 takes the phase itself as its angle.
    EXPECT_EQ(WaveY(0, 0), 350);
    EXPECT_EQ(WaveY(30, 0), 354);
    EXPECT_EQ(WaveY(90, 0), 359);
    EXPECT_EQ(WaveY(270, 0), 340);
    EXPECT_EQ(WaveY(360, 0), 349);
    EXPECT_EQ(WaveY(120, 3), 354) << "each glyph lags 30 degrees: 120 - 90";
    // Far from zero the angle wraps as a 32-bit integer instead of overflowing.
    EXPECT_EQ(WaveY(INT32_MIN, 1), WaveY(INT32_MAX - 29, 0));
}

TEST_F(Screens, TitleRecordLines) {
    rank_table.points[0] = -9999;
    rank_table.play_number = 1000000;
    // Seven double-byte characters: 14 bytes, padded with six spaces.
    const std::string kana = ToCp932("あいうえおかき");
    ASSERT_EQ(kana.size(), 14u);
    std::memcpy(rank_table.player_names[0], kana.c_str(), kana.size() + 1);
    DrawTitleScreen();
    const auto texts = OpsOf("text");
    EXPECT_EQ(texts[0].text, "TopPlayer:      " + kana);
    EXPECT_EQ(texts[1].text, "TopPoint :               -9999");
    EXPECT_EQ(OpsOf("centred")[2].text, "Play Number : 1000000");
}

TEST_F(Screens, TitleWithLongAndNulLessNames) {
    std::memset(rank_table.player_names[0], 'n', 255);
    rank_table.player_names[0][255] = '\0';
    DrawTitleScreen();
    EXPECT_EQ(OpsOf("text")[0].text, "TopPlayer:" + std::string(255, 'n'));

    // A damaged file: the whole field is the name, and nothing past it is read
    // (the next field starts with a different letter).
    fake.calls.clear();
    std::memset(rank_table.player_names[0], 'z', 256);
    std::memset(rank_table.player_names[1], 'Q', 256);
    DrawTitleScreen();
    EXPECT_EQ(OpsOf("text")[0].text, "TopPlayer:" + std::string(256, 'z'));
}

TEST_F(Screens, DrillFirstFrame) {
    for (int i = 0; i < 20; ++i) {
        game.digits[i] = (i * 7) % 10;
    }
    DrawDrillScreen();
    std::vector<std::string> expected = {"font times 140x60"};
    for (int i = 0; i < 20; ++i) {
        expected.push_back(i == 1 || i == 2 ? "red" : "white");
        expected.push_back("centred");
    }
    expected.insert(expected.end(), {"release", "font times 60x30", "text", "release",
                                     "font times 80x50", "centred", "release", "white"});
    EXPECT_EQ(Outline(), expected);

    const auto centred = OpsOf("centred");
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(centred[i].text, std::to_string((i * 7) % 10));
        EXPECT_EQ(centred[i].a, 128 * i - 88);
        EXPECT_EQ(centred[i].b, 100);
        EXPECT_EQ(centred[i].c, 128 * i - 28);
        EXPECT_EQ(centred[i].d, 240);
    }
    EXPECT_EQ(centred[20].text, "Ans:00000");
    EXPECT_EQ(std::vector<int>({centred[20].a, centred[20].b, centred[20].c, centred[20].d}),
              (std::vector<int>{0, 350, 512, 450}));
    const auto texts = OpsOf("text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Time [ 00'30\"]");
    EXPECT_EQ(texts[0].a, 50);
    EXPECT_EQ(texts[0].b, 300);
}

TEST_F(Screens, DrillRowDuringASlideAndADrop) {
    game.slide_x = 8;
    DrawDrillScreen();
    auto centred = OpsOf("centred");
    EXPECT_EQ(centred[0].a, 40) << "the new first cell stands where the old second stood";
    EXPECT_EQ(centred[3].c, 128 * 3 + 128 - 28);

    fake.calls.clear();
    game.slide_x = 0;
    game.drop_y = 8;
    DrawDrillScreen();
    centred = OpsOf("centred");
    EXPECT_EQ(centred[1].b, -28);
    EXPECT_EQ(centred[1].d, 112);
    EXPECT_EQ(centred[1].a, 40);

    fake.calls.clear();
    game.drop_y = 3;
    DrawDrillScreen();
    EXPECT_EQ(OpsOf("centred")[2].b, 100 - 48);
}

TEST_F(Screens, DrillTimeLineCountsDownAndFinishes) {
    struct Case {
        uint32_t elapsed;
        const char* line;
    };
    for (const Case& c :
         {Case{0, "Time [ 00'30\"]"}, Case{1001, "Time [ 00'29\"]"}, Case{29999, "Time [ 00'01\"]"},
          Case{30000, "   [Finish!!]"}, Case{31999, "   [Finish!!]"}}) {
        fake.calls.clear();
        game.drill_elapsed_ms = c.elapsed;
        DrawDrillScreen();
        EXPECT_EQ(OpsOf("text")[0].text, c.line) << c.elapsed;
    }
    fake.calls.clear();
    game.drill_elapsed_ms = 0;
    game.time_limit_s = 125;
    DrawDrillScreen();
    EXPECT_EQ(OpsOf("text")[0].text, "Time [ 02'05\"]");
}

TEST_F(Screens, DrillComboAndComboWindowLines) {
    game.combo = 1;
    game.combo_tick = 50000;
    fake.tick = 50000;
    DrawDrillScreen();
    const auto texts = OpsOf("text");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].text, "Combo :   1");
    EXPECT_EQ(texts[1].a, 80);
    EXPECT_EQ(texts[1].b, 30);
    EXPECT_EQ(texts[2].text, "ComboTime [       900]");
    EXPECT_EQ(texts[2].a, 100);
    EXPECT_EQ(texts[2].b, 95);
    const auto outline = Outline();
    EXPECT_NE(std::find(outline.begin(), outline.end(), "font times 32x16"), outline.end());

    fake.calls.clear();
    fake.tick = 50901;
    game.miss = 4;  // a combo line hides a miss line
    DrawDrillScreen();
    EXPECT_EQ(OpsOf("text")[2].text, "ComboTime [        -1]");
    EXPECT_EQ(OpsOf("text").size(), 3u);

    // Across the wrap of the tick.
    fake.calls.clear();
    game.combo_tick = 0xFFFFFF00u;
    fake.tick = 0x10;
    DrawDrillScreen();
    EXPECT_EQ(OpsOf("text")[2].text, "ComboTime [       628]");
}

TEST_F(Screens, DrillMissLineAndScores) {
    game.miss = 12;
    game.ans = -13;
    DrawDrillScreen();
    const auto texts = OpsOf("text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "Miss :  12");
    EXPECT_EQ(texts[1].a, 90);
    EXPECT_EQ(texts[1].b, 30);
    EXPECT_EQ(OpsOf("centred")[20].text, "Ans:-0013");

    for (auto [score, line] : {std::pair{-9999, "Ans:-9999"}, std::pair{1234, "Ans:01234"},
                               std::pair{123456, "Ans:123456"}}) {
        fake.calls.clear();
        game.ans = score;
        DrawDrillScreen();
        EXPECT_EQ(OpsOf("centred")[20].text, line);
    }
}

TEST_F(Screens, Ending) {
    DrawEndingScreen();
    EXPECT_EQ(Outline(),
              (std::vector<std::string>{"red", "font mincho 50x25", "centred", "white", "release",
                                        "font mincho 50x20", "text", "text", "text", "release",
                                        "font times 50x20", "text", "text", "release"}));
    const auto centred = OpsOf("centred");
    EXPECT_EQ(centred[0].text, "[Kobaru]");
    EXPECT_EQ(std::vector<int>({centred[0].a, centred[0].b, centred[0].c, centred[0].d}),
              (std::vector<int>{0, 50, 512, 100}));
    const auto texts = OpsOf("text");
    const std::vector<std::tuple<int, int, std::string>> expected = {
        {30, 250, ToCp932("企画・開発　Ondaval")},
        {50, 320, ToCp932("技術協力　Mirraq")},
        {50, 370, ToCp932("技術協力　Zeltho")},
        {70, 150, "Thank U 4 Playing!"},
        {75, 440, "Press Return Key!"},
    };
    ASSERT_EQ(texts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(texts[i].a, std::get<0>(expected[i]));
        EXPECT_EQ(texts[i].b, std::get<1>(expected[i]));
        EXPECT_EQ(texts[i].text, std::get<2>(expected[i]));
    }
}

TEST_F(Screens, FontsAreReleasedBeforeTheNextGroup) {
    game.combo = 2;
    DrawTitleScreen();
    DrawDrillScreen();
    DrawEndingScreen();
    EXPECT_EQ(fake.open_fonts, 0);
    // Every text is drawn with one font selected, never two.
    int open = 0;
    for (const Call& op : fake.calls) {
        open += op.kind == "font" ? 1 : op.kind == "release" ? -1 : 0;
        EXPECT_LE(open, 1);
        if (op.kind == "text" || op.kind == "centred") {
            EXPECT_EQ(open, 1) << op.text;
        }
    }
}

}  // namespace
