// The Windows timer's tick, and the loop that waits instead of spinning.
#include "core/frame_pace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

TEST(TimerTick, StepsAs64HzSystemTimer) {
    // floor(n x 15.625): steps of 15 and 16 ms, 125 ms every eight steps.
    const uint32_t expected[] = {0,   15,  31,  46,  62,  78,  93,  109, 125,
                                 140, 156, 171, 187, 203, 218, 234, 250};
    for (uint64_t n = 0; n < std::size(expected); ++n) {
        EXPECT_EQ(TimerTickAt(n * kTimerStepNs), expected[n]) << "step " << n;
        EXPECT_EQ(TimerTickAt(n * kTimerStepNs + kTimerStepNs - 1), expected[n])
            << "the tick holds until the next step";
        EXPECT_EQ(NextTimerStepAt(n * kTimerStepNs + 1), (n + 1) * kTimerStepNs);
    }
}

TEST(TimerTick, WrapsAt2To32) {
    // Steps 274877906 to 274877908 fall at 4294967281.25, 4294967296.875 and
    // 4294967312.5 ms.
    const uint64_t last = 274877906;
    EXPECT_EQ(TimerTickAt(last * kTimerStepNs), 4294967281u);
    EXPECT_EQ(TimerTickAt((last + 1) * kTimerStepNs), 0u);
    EXPECT_EQ(TimerTickAt((last + 2) * kTimerStepNs), 16u);
}

class FramePace : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        fake.tick = 10000;
        StartFirstGame();
    }
};

TEST_F(FramePace, WaitsOnlyWhileTheTickStandsAndTheSceneIsUnchanged) {
    LastFrameCall last;
    EXPECT_TRUE(RunFrameUnlessIdle(last)) << "the first call always runs";
    EXPECT_FALSE(RunFrameUnlessIdle(last)) << "same tick, same scene";
    fake.tick += 15;
    EXPECT_TRUE(RunFrameUnlessIdle(last));
    EXPECT_EQ(CountCalls("repaint"), 2);

    // The ending hands over to the title: the title's first call comes on
    // the very next pass, at the same tick.
    game.scene = Scene::Ending;
    game.ending_start_tick = fake.tick - 6000;
    fake.tick += 15;
    EXPECT_TRUE(RunFrameUnlessIdle(last));
    ASSERT_EQ(game.scene, Scene::Title);
    EXPECT_TRUE(RunFrameUnlessIdle(last)) << "the scene moved: no waiting";
    EXPECT_EQ(game.title_start_tick, fake.tick);
    EXPECT_FALSE(RunFrameUnlessIdle(last));
}

// Everything a run shows the world: the frontend calls in order, the state
// and the ranking after each pass.
std::vector<std::string> Play(bool wait_when_idle) {
    ResetWorld();
    fake.tick = 10000;
    fake.name_to_enter = "pace";
    StartFirstGame();
    std::vector<std::string> seen;
    LastFrameCall last;
    // Passes come far more often than the tick moves; keys change between
    // any two passes, on a tick step or not.
    for (int pass = 0; pass < 80000; ++pass) {
        if (pass % 7 == 0) {
            fake.tick = 10000 + static_cast<uint32_t>(pass / 7) * 15 + (pass / 7) % 8 / 3;
        }
        fake.keys[kKeyReturn] = pass % 500 < 240;
        fake.keys[kKeyDigit0 + pass / 13 % 10] = pass % 3 == 0;
        if (wait_when_idle) {
            RunFrameUnlessIdle(last);
        } else {
            RunFrame();
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

TEST(FramePaceLoop, BehavesExactlyAsTheSpinningLoop) {
    const std::vector<std::string> spinning = Play(false);
    const std::vector<std::string> waiting = Play(true);
    ASSERT_EQ(spinning.size(), waiting.size());
    EXPECT_TRUE(spinning == waiting);
    EXPECT_GE(rank_table.play_number, 3) << "whole games were played";
}

}  // namespace
