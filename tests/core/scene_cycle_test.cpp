// The scene cycle and its loop: gates, transitions, saves, resets, random draws, pace.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/frame_pace.h"
#include "core/frontend.h"
#include "core/game_state.h"
#include "core/palette.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "null/shell.h"
#include "screens/screens.h"

namespace {

void FrameAt(uint32_t tick) {
    fake.tick = tick;
    RunFrame();
}

// The calls of the frame's outline: stars, repaint, name and ranking.
std::vector<std::string> Outline() {
    std::vector<std::string> out;
    for (const Call& call : fake.calls) {
        if (call.kind == "stars" || call.kind == "repaint" || call.kind == "name" ||
            call.kind == "ranking") {
            out.push_back(call.kind);
        }
    }
    return out;
}

// The table rank.txt holds now.
RankTable Stored() {
    std::ifstream in(rank_file.path, std::ios::binary);
    const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    RankTable table{};
    DecodeRankTable(bytes.data(), bytes.size(), table);
    return table;
}

class SceneCycle : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        fake.tick = 10000;
        StartFirstGame();
    }
};

TEST(FrameGate, PassesStrictlyAfterTenMillisecondsAndStoresItsSecondReading) {
    // The last frame's tick, now, whether the gate passes; across the wrap too.
    const uint32_t cases[][3] = {
        {20000, 20010, 0}, {20000, 20011, 1}, {0xFFFFFFFBu, 5, 0}, {0xFFFFFFFBu, 6, 1}};
    for (const auto& [last_drawn, now, passes] : cases) {
        fake.tick = now;
        fake.tick_step_per_read = 3;
        uint32_t last = last_drawn;
        EXPECT_EQ(PassFrameGate(last), passes == 1) << now;
        EXPECT_EQ(last, passes ? now + 3 : last_drawn) << now;
    }
}

TEST_F(SceneCycle, EntryTickIsTakenOnTheFirstCallEvenWhenTheGateRefuses) {
    game.title_last_frame_tick = 30000;
    game.wave_phase = INT32_MAX - 3;
    FrameAt(30005);
    EXPECT_EQ(CountCalls("repaint"), 0);
    EXPECT_EQ(game.title_start_tick, 30005u);
    FrameAt(30020);
    EXPECT_EQ(game.title_start_tick, 30005u);
    EXPECT_EQ(game.wave_phase, INT32_MIN + 3) << "7 a drawn frame, wrapping";
}

TEST_F(SceneCycle, TitleStartsTheDrillOnReturnSeenInADrawnFrameStrictlyAfter500Ms) {
    constexpr uint32_t kWrap = 0xFFFFFF00u;
    // Frames at these ticks with Return held or not, and the scene after them.
    const std::pair<std::vector<std::pair<uint32_t, bool>>, Scene> cases[] = {
        {{{40000, true}, {40500, true}}, Scene::Title},
        {{{40000, true}, {40501, true}}, Scene::Drill},
        {{{kWrap, true}, {kWrap + 500, true}}, Scene::Title},
        // Released again before the next drawn frame: never seen.
        {{{40000, false}, {41000, false}, {41005, true}, {41020, false}}, Scene::Title},
        {{{kWrap, true}, {kWrap + 501, true}}, Scene::Drill}};
    for (const auto& [frames, after] : cases) {
        SetUp();
        for (const auto& [tick, held] : frames) {
            fake.keys[kKeyReturn] = held;
            FrameAt(tick);
        }
        EXPECT_EQ(game.scene, after) << frames.back().first;
    }
    // The drill's first frame ran in the same pass, after the title's repaint.
    EXPECT_EQ(game.drill_start_tick, kWrap + 501);
    EXPECT_EQ(Outline(), (std::vector<std::string>{"stars", "repaint", "stars", "repaint", "stars",
                                                   "repaint"}))
        << "two titles, then a drill";
}

TEST_F(SceneCycle, EndingExitsOnReturnAfter500MsOrAloneAfter5000Ms) {
    // Return held, ms after the entry tick, whether the ending exits.
    const uint32_t cases[][3] = {{0, 5000, 0}, {0, 5001, 1}, {1, 500, 0}, {1, 501, 1}};
    for (const auto& [held, after, exits] : cases) {
        SetUp();
        rank_table.play_number = INT32_MAX;
        fake.keys[kKeyReturn] = held == 1;
        game.scene = Scene::Ending;
        FrameAt(50000);
        ASSERT_EQ(game.ending_start_tick, 50000u);
        fake.calls.clear();
        FrameAt(50000 + after);
        EXPECT_EQ(game.scene, exits ? Scene::Title : Scene::Ending) << after;
        EXPECT_EQ(rank_table.play_number, exits ? INT32_MIN : INT32_MAX) << "counted once";
        EXPECT_EQ(Outline(), (std::vector<std::string>{"stars", "repaint"}))
            << "the exiting frame is drawn too, and the title waits for the next pass";
    }
    // Return still held: the title takes its own entry tick and waits anew.
    FrameAt(50518);
    EXPECT_EQ(game.title_start_tick, 50518u);
    EXPECT_EQ(game.scene, Scene::Title);
}

TEST_F(SceneCycle, AQualifyingScoreIsNamedPlacedAndSavedAtOnceAndTheCountAfterTheEnding) {
    const auto on_disk = [] {
        const RankTable table = Stored();
        return std::make_tuple(table.points[3], std::string(table.player_names[3]),
                               table.play_number);
    };
    fake.name_to_enter = "new";
    game.scene = Scene::Result;
    game.final_ans = 3;
    FrameAt(110000);
    EXPECT_EQ(Outline(), (std::vector<std::string>{"name", "ranking", "stars", "repaint"}));
    EXPECT_EQ(game.ending_start_tick, 110000u) << "the ending's first frame follows at once";
    EXPECT_STREQ(entered_name, "new");
    EXPECT_EQ(on_disk(), std::make_tuple(3, std::string("new"), 0));
    FrameAt(115011);
    ASSERT_EQ(game.scene, Scene::Title);
    EXPECT_EQ(on_disk(), std::make_tuple(3, std::string("new"), 1));
}

// Another copy of the game shares rank.txt and saves while this one plays;
// this one's score of 25, named "mine", is applied to what the file holds.
TEST_F(SceneCycle, AnotherCopysSavesAreKeptAndWhatThisOneShowsIsWhatItSaves) {
    struct Table {
        std::vector<int32_t> points;
        std::vector<std::string> names;
        int32_t play_number;
    };
    const auto stored = [](const Table& t) {
        RankTable table{};
        for (int i = 0; i < kRankRows; ++i) {
            table.points[i] = t.points[i];
            std::strcpy(table.player_names[i], t.names[i].c_str());
        }
        table.play_number = t.play_number;
        uint8_t image[kRankFileBytes];
        EncodeRankTable(table, image);
        std::ofstream(rank_file.path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image), sizeof image);
    };
    const auto as_table = [](const RankTable& table) {
        Table t{{}, {}, table.play_number};
        for (int i = 0; i < kRankRows; ++i) {
            t.points.push_back(table.points[i]);
            t.names.emplace_back(table.player_names[i]);
        }
        return t;
    };
    const Table theirs{{50, 40, 30, 20, 10}, {"a", "b", "c", "d", "e"}, 7};
    const Table too_good{{50, 40, 30, 28, 26}, {"a", "b", "c", "d", "e"}, 7};
    const Table with_mine{{50, 40, 30, 25, 20}, {"a", "b", "c", "mine", "d"}, 7};
    const std::vector<std::string> defaults(4, "DEFAULT_PLAYER");
    const Table mine_alone{
        {25, 5, 4, 3, 2}, {"mine", defaults[0], defaults[1], defaults[2], defaults[3]}, 0};
    const Table they_follow{
        {60, 25, 5, 4, 3}, {"x", "mine", defaults[0], defaults[1], defaults[2]}, 3};
    const auto counted = [](Table t) {
        ++t.play_number;
        return t;
    };
    enum When { BeforeTheDrillEnds, WhileNaming, OnTheCredits };
    // What the other copy saves and when; whether this one is asked for its
    // name, the table its ranking shows, and the file once its credits end.
    const struct {
        When when;
        Table saved;
        bool named;
        Table shown;
        Table left;
    } cases[] = {
        {BeforeTheDrillEnds, theirs, true, with_mine, counted(with_mine)},
        {BeforeTheDrillEnds, too_good, false, too_good, counted(too_good)},
        {WhileNaming, theirs, true, with_mine, counted(with_mine)},
        {WhileNaming, too_good, true, too_good, counted(too_good)},
        {OnTheCredits, they_follow, true, mine_alone, counted(they_follow)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.when << " " << c.saved.points[4]);
        ResetWorld();
        fake.tick = 10000;
        StartFirstGame();
        fake.name_to_enter = "mine";
        if (c.when == BeforeTheDrillEnds) {
            stored(c.saved);
        }
        if (c.when == WhileNaming) {
            fake.while_prompting = [&] { stored(c.saved); };
        }
        game.scene = Scene::Result;
        game.final_ans = 25;
        FrameAt(110000);
        EXPECT_EQ(CountCalls("name"), c.named ? 1 : 0);
        const Table shown = as_table(fake.shown_ranking);
        EXPECT_EQ(std::tie(shown.points, shown.names, shown.play_number),
                  std::tie(c.shown.points, c.shown.names, c.shown.play_number));
        if (c.when == OnTheCredits) {
            stored(c.saved);
        }
        FrameAt(115011);
        ASSERT_EQ(game.scene, Scene::Title);
        const Table left = as_table(Stored());
        EXPECT_EQ(std::tie(left.points, left.names, left.play_number),
                  std::tie(c.left.points, c.left.names, c.left.play_number));
        EXPECT_EQ(rank_table.play_number, c.left.play_number) << "what the next title shows";
        EXPECT_EQ(rank_table.points[0], c.left.points[0]);
    }
}

// The palette's 759 draws, then the first star field whatever the tick, then
// the digits from the tick. Golden values from oracle.py.
TEST(RandomDraws, ThePaletteThenTheFirstStarFieldThenTheSeedAndTheDigits) {
    random_source.state = 1;
    EXPECT_EQ((std::vector<int32_t>{Next(), Next(), Next()}),
              (std::vector<int32_t>{41, 18467, 6334}));
    for (const uint32_t start_tick : {123456u, 987654321u}) {
        ResetWorld();
        Rgb palette[kPaletteEntries] = {};
        DrawPalette(palette);
        std::vector<int> entries;
        for (int entry : {0, 1, 2, 252, 253, 254, 255}) {
            entries.insert(entries.end(),
                           {palette[entry].red, palette[entry].green, palette[entry].blue});
        }
        EXPECT_EQ(entries, (std::vector<int>{0,   0,   0,   169, 163, 190, 132, 193, 236, 140, 141,
                                             164, 255, 128, 128, 200, 192, 224, 255, 255, 255}));
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

TEST(TimerTick, StepsAsThe64HzSystemTimerAndWrapsAt2To32) {
    // floor(n x 15.625): steps of 15 and 16 ms; steps 274877906 to 274877908
    // fall at 4294967281.25, 4294967296.875 and 4294967312.5 ms.
    const uint64_t steps[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 274877906, 274877907, 274877908};
    const uint32_t ticks[] = {0, 15, 31, 46, 62, 78, 93, 109, 125, 4294967281u, 0, 16};
    for (int i = 0; i < 12; ++i) {
        const uint64_t at = steps[i] * kTimerStepNs;
        EXPECT_EQ(TimerTickAt(at), ticks[i]) << "step " << steps[i];
        EXPECT_EQ(TimerTickAt(at + kTimerStepNs - 1), ticks[i]) << "held until the next step";
        EXPECT_EQ(NextTimerStepAt(at), at + kTimerStepNs) << "step " << steps[i];
    }
}

// The state after each pass, then every call; counts the passes skipped.
std::vector<std::string> Play(bool wait_when_idle, int& skipped) {
    ResetWorld();
    fake.tick = 10000;
    fake.name_to_enter = "pace";
    StartFirstGame();
    std::vector<std::string> seen;
    LastFrameCall last;
    // Many passes a tick; keys change between any two passes.
    for (int pass = 0; pass < 80000; ++pass) {
        if (pass % 7 == 0) {
            fake.tick = 10000 + static_cast<uint32_t>(pass / 7) * 15 + (pass / 7) % 8 / 3;
        }
        fake.keys[kKeyReturn] = pass % 500 < 240;
        fake.keys[kKeyDigit0 + pass / 13 % 10] = pass % 3 == 0;
        if (!wait_when_idle) {
            RunFrame();
        } else if (!RunFrameUnlessIdle(last)) {
            ++skipped;
        }
        seen.push_back(std::to_string(static_cast<int>(game.scene)) + " " +
                       std::to_string(game.ans) + " " + std::to_string(fake.calls.size()) + " " +
                       std::to_string(rank_table.play_number));
    }
    for (const Call& call : fake.calls) {
        seen.push_back(call.kind + " " + std::to_string(call.a) + " " + std::to_string(call.b) +
                       " " + call.text);
    }
    return seen;
}

TEST(FramePace, WaitingLoopSkipsIdlePassesAndBehavesExactlyAsTheSpinningLoop) {
    int skipped = 0;
    const std::vector<std::string> spinning = Play(false, skipped);
    EXPECT_GE(rank_table.play_number, 3) << "whole games were played";
    EXPECT_TRUE(spinning == Play(true, skipped));
    EXPECT_GT(skipped, 60000) << "six passes in seven come at an unchanged tick";
}

}  // namespace
