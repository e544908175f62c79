// The scene cycle: frame gates, entry ticks, transitions, the result step.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

// Drawn frames of a screen, told apart by a text only that screen draws.
int Frames(const char* text) {
    int count = 0;
    for (const Call& call : fake.calls) {
        count += call.kind == "centred" && call.text == text;
    }
    return count;
}
int TitleFrames() {
    return Frames("Kobaru");
}
int EndingFrames() {
    return Frames("[Kobaru]");
}

// The frame's calls without the texts: stars, repaint, name, ranking.
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

class SceneCycle : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        fake.tick = 10000;
        StartFirstGame();
    }
    static void FrameAt(uint32_t tick) {
        fake.tick = tick;
        RunFrame();
    }
};

TEST_F(SceneCycle, FrameGateNeedsStrictlyMoreThanTenMilliseconds) {
    FrameAt(20000);
    ASSERT_EQ(TitleFrames(), 1);
    FrameAt(20010);
    EXPECT_EQ(TitleFrames(), 1) << "10 ms later is held back";
    EXPECT_EQ(CountCalls("repaint"), 1);
    FrameAt(20011);
    EXPECT_EQ(TitleFrames(), 2) << "11 ms later draws";
    EXPECT_EQ(game.title_last_frame_tick, 20011u);
}

TEST_F(SceneCycle, FrameGateAcrossTheWrapOfTheTick) {
    game.title_last_frame_tick = 0xFFFFFFFBu;  // 2^32 - 5
    game.title_start_tick = 1;
    FrameAt(5);
    EXPECT_EQ(TitleFrames(), 0) << "10 ms across the wrap";
    FrameAt(6);
    EXPECT_EQ(TitleFrames(), 1) << "11 ms across the wrap";
}

TEST_F(SceneCycle, FrameGateStoresItsSecondReading) {
    game.title_last_frame_tick = 0;
    game.title_start_tick = 1;
    uint32_t last = 0;
    fake.tick = 5000;
    fake.tick_step_per_read = 3;
    EXPECT_TRUE(PassFrameGate(last));
    EXPECT_EQ(last, 5003u);
}

TEST_F(SceneCycle, EntryTickIsTakenOnTheFirstCallEvenWhenTheGateRefuses) {
    game.title_last_frame_tick = 30000;
    FrameAt(30005);
    EXPECT_EQ(TitleFrames(), 0);
    EXPECT_EQ(game.title_start_tick, 30005u);
    FrameAt(30020);
    EXPECT_EQ(game.title_start_tick, 30005u);
    EXPECT_EQ(game.wave_phase, 7) << "the first drawn frame works with 7";
}

TEST_F(SceneCycle, TitleStartsTheDrillOnlyStrictlyAfter500Ms) {
    fake.keys[kKeyReturn] = true;
    FrameAt(40000);  // entry tick
    EXPECT_EQ(game.scene, Scene::Title);
    FrameAt(40500);
    EXPECT_EQ(game.scene, Scene::Title) << "exactly 500 ms is not enough";
    FrameAt(40511);
    EXPECT_EQ(game.scene, Scene::Drill);
    // The drill's first frame runs in the same pass, after the title's repaint.
    EXPECT_EQ(game.drill_start_tick, 40511u);
    EXPECT_EQ(Frames("Ans:00000"), 1);
    const std::vector<std::string> outline = Outline();
    const std::vector<std::string> tail(outline.end() - 4, outline.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"stars", "repaint", "stars", "repaint"}));
}

TEST_F(SceneCycle, ReturnReleasedBetweenDrawnFramesIsNotSeen) {
    FrameAt(40000);
    FrameAt(41000);
    fake.keys[kKeyReturn] = true;
    FrameAt(41005);  // held back by the gate: Return is not asked for
    fake.keys[kKeyReturn] = false;
    FrameAt(41020);
    EXPECT_EQ(game.scene, Scene::Title);
}

TEST_F(SceneCycle, TitleStartTestAcrossTheWrap) {
    fake.keys[kKeyReturn] = true;
    FrameAt(0xFFFFFF00u);
    FrameAt(0xFFFFFF00u + 500);
    EXPECT_EQ(game.scene, Scene::Title);
    FrameAt(0xFFFFFF00u + 512);  // wraps to a small tick
    EXPECT_EQ(game.scene, Scene::Drill);
}

// Brings the game to the ending's first frame at the given tick, through a
// drill that scores nothing.
void ReachEnding(uint32_t tick) {
    game.scene = Scene::Ending;
    fake.tick = tick;
    RunFrame();
}

TEST_F(SceneCycle, EndingTimesOutStrictlyAfter5000Ms) {
    ReachEnding(50000);
    ASSERT_EQ(game.ending_start_tick, 50000u);
    for (uint32_t t = 50020; t <= 55000; t += 20) {
        FrameAt(t);
    }
    EXPECT_EQ(game.scene, Scene::Ending) << "exactly 5000 ms is still shown";
    EXPECT_EQ(rank_table.play_number, 0);
    const int draws = EndingFrames();
    FrameAt(55011);
    EXPECT_EQ(game.scene, Scene::Title);
    EXPECT_EQ(rank_table.play_number, 1);
    EXPECT_EQ(EndingFrames(), draws + 1) << "the exiting frame is drawn";
    EXPECT_EQ(fake.calls.back().kind, "repaint");
    EXPECT_EQ(TitleFrames(), 0) << "the title runs on the next pass, not this one";
    EXPECT_EQ(game.ending_start_tick, 0u);
    FrameAt(55030);
    EXPECT_EQ(TitleFrames(), 1);
}

TEST_F(SceneCycle, ReturnHeldFromTheEndingThroughTheTitle) {
    fake.keys[kKeyReturn] = true;
    ReachEnding(70000);
    uint32_t t = 70000;
    while (game.scene == Scene::Ending) {
        t += 17;
        FrameAt(t);
    }
    EXPECT_GT(t - 70000, 500u) << "Return ends the ending only after more than 500 ms";
    EXPECT_LE(t - 70000, 517u);
    EXPECT_EQ(rank_table.play_number, 1) << "raised exactly once";
    const uint32_t title_first = t + 17;
    while (game.scene == Scene::Title) {
        t += 17;
        FrameAt(t);
    }
    EXPECT_EQ(game.title_start_tick, title_first);
    EXPECT_GT(t - title_first, 500u);
    EXPECT_LE(t - title_first, 517u);
}

TEST_F(SceneCycle, PlayNumberAndWavePhaseWrapAsTwosComplement) {
    game.wave_phase = INT32_MAX - 3;
    FrameAt(90000);
    EXPECT_EQ(game.wave_phase, INT32_MIN + 3);
    rank_table.play_number = INT32_MAX;
    ReachEnding(80000);
    FrameAt(85011);
    EXPECT_EQ(rank_table.play_number, INT32_MIN);
}

TEST_F(SceneCycle, ResultAsksForANameOnlyForAQualifyingScore) {
    fake.name_to_enter = "abc";
    game.scene = Scene::Result;
    game.final_ans = 1;  // equal to the fifth score
    FrameAt(100000);
    EXPECT_EQ(CountCalls("name"), 0);
    EXPECT_EQ(CountCalls("ranking"), 1);
    EXPECT_EQ(game.scene, Scene::Ending);
    EXPECT_EQ(game.ending_start_tick, 100000u) << "the ending's first frame follows at once";

    ResetGame();
    game.scene = Scene::Result;
    game.final_ans = 2;
    FrameAt(110000);
    EXPECT_EQ(CountCalls("name"), 1);
    EXPECT_EQ(CountCalls("ranking"), 2);
    EXPECT_EQ(rank_table.points[4], 2);
    EXPECT_STREQ(rank_table.player_names[4], "abc");
    EXPECT_STREQ(entered_name, "abc");
    // The name is asked for first, then the ranking, then the ending draws.
    const std::vector<std::string> outline = Outline();
    const std::vector<std::string> tail(outline.end() - 4, outline.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"name", "ranking", "stars", "repaint"}));
    EXPECT_EQ(EndingFrames(), 2);
}

TEST_F(SceneCycle, EveryFinishedGameReachesTheFileAtOnce) {
    const auto on_disk = [] {
        std::ifstream in(rank_file.path, std::ios::binary);
        const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        RankTable table{};
        DecodeRankTable(bytes.data(), bytes.size(), table);
        return table;
    };
    game.scene = Scene::Result;
    game.final_ans = 1;  // does not rank
    FrameAt(100000);
    EXPECT_FALSE(std::filesystem::exists(rank_file.path)) << "nothing placed, nothing saved";
    FrameAt(105011);
    ASSERT_EQ(game.scene, Scene::Title);
    EXPECT_EQ(on_disk().play_number, 1) << "saved when the ending counted the game";

    fake.name_to_enter = "new";
    game.scene = Scene::Result;
    game.final_ans = 3;
    FrameAt(110000);
    const RankTable placed = on_disk();
    EXPECT_EQ(placed.points[3], 3);
    EXPECT_STREQ(placed.player_names[3], "new");
    EXPECT_EQ(placed.play_number, 1) << "saved as soon as the score was placed";
    FrameAt(115011);
    EXPECT_EQ(on_disk().play_number, 2);
}

}  // namespace
