// The drill's rules: the coarse clock, the answers, the streaks and the score.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/drill.h"
#include "core/frontend.h"
#include "core/game_state.h"
#include "core/scenes.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

constexpr uint32_t kStart = 100000;

class Drill : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        fake.tick = 5000;
        StartFirstGame();
        game.scene = Scene::Drill;
    }
    static void FrameAt(uint32_t tick) {
        fake.tick = tick;
        fake.calls.clear();  // what was drawn is the screens' tests' concern
        RunFrame();
    }
    static int CorrectDigit() { return (game.digits[1] + game.digits[2]) % 10; }
    static int WrongDigit() { return (CorrectDigit() + 1) % 10; }
    // One drawn frame with one main-row key held, released again after it.
    static void AnswerAt(uint32_t tick, int digit) {
        fake.keys[kKeyDigit0 + digit] = true;
        FrameAt(tick);
        fake.keys[kKeyDigit0 + digit] = false;
    }
    // Drawn frames every 20 ms from `from` (exclusive) to `to` (inclusive).
    static void IdleFrames(uint32_t from, uint32_t to) {
        for (uint32_t t = from + 20; t <= to; t += 20) {
            FrameAt(t);
        }
    }
};

TEST_F(Drill, FirstFrameStartsTheClockAndJudgesAKeyAlreadyHeld) {
    const int third = game.digits[3];
    fake.keys[kKeyNumpad0 + CorrectDigit()] = true;
    FrameAt(kStart);
    EXPECT_EQ(game.drill_start_tick, kStart);
    EXPECT_EQ(game.ans, 1);
    EXPECT_EQ(game.slide_x, 7) << "8 drawn, then stepped once";
    EXPECT_EQ(game.digits[2], third) << "the row moved one place left";
}

TEST_F(Drill, CoarseClockStepsOf1001MsWithAOneMillisecondTick) {
    std::vector<uint32_t> steps;
    uint32_t answering_end = 0;
    uint32_t last_elapsed = 0;
    uint32_t t = kStart;
    for (; game.scene == Scene::Drill; ++t) {
        FrameAt(t);
        if (game.drill_elapsed_ms != last_elapsed) {
            steps.push_back(t - kStart);
            last_elapsed = game.drill_elapsed_ms;
        }
        if (!answering_end && game.drill_elapsed_ms >= 30000) {
            answering_end = t - kStart;
        }
    }
    EXPECT_EQ(std::vector<uint32_t>(steps.begin(), steps.begin() + 2),
              (std::vector<uint32_t>{1001, 2002}));
    EXPECT_EQ(answering_end, 30030u);
    EXPECT_EQ(t - 1 - kStart, 32032u) << "the drill ends at the 32nd step";
    EXPECT_EQ(game.scene, Scene::Ending) << "the result step ran in the same pass";
}

TEST_F(Drill, RefusedCallsAdvanceTheClockButPollNoKey) {
    FrameAt(kStart);
    fake.keys[kKeyDigit0 + CorrectDigit()] = true;
    fake.key_queries.clear();
    game.drill_last_frame_tick = kStart + 1000;
    for (uint32_t t = kStart + 1001; t <= kStart + 1010; ++t) {
        FrameAt(t);
    }
    EXPECT_TRUE(fake.key_queries.empty());
    EXPECT_EQ(game.ans, 0);
    EXPECT_EQ(game.drill_elapsed_ms, 1001u);
}

TEST_F(Drill, FinishPhaseTakesNoKeysButTheRowSettlesAndTheComboExpires) {
    FrameAt(kStart);
    game.drill_elapsed_ms = 29000;
    AnswerAt(kStart + 29990, CorrectDigit());
    ASSERT_EQ(game.ans, 1);
    fake.key_queries.clear();
    // The clock jumps past 30 s at the first of these: the finish phase.
    for (uint32_t t = kStart + 30031; t < kStart + 31000; t += 20) {
        fake.keys[kKeyDigit0 + CorrectDigit()] = true;
        FrameAt(t);
    }
    EXPECT_TRUE(fake.key_queries.empty());
    EXPECT_EQ(game.ans, 1);
    EXPECT_EQ(game.slide_x, 0);
    EXPECT_EQ(game.combo_live, 0) << "the combo window expired during the finish";
}

TEST_F(Drill, WorkedScoringExample) {
    FrameAt(kStart);
    struct Step {
        uint32_t at;
        bool correct;
        int combo;
        int miss;
        int ans;
    };
    const Step steps[] = {
        {1000, true, 0, 0, 1},   {1400, true, 1, 0, 5},   {1800, true, 2, 0, 18},
        {2200, true, 3, 0, 46},  {3500, true, 0, 0, 47},  {3800, false, 0, 0, 46},
        {4100, false, 0, 1, 42}, {4400, false, 0, 2, 29}, {6000, false, 0, 3, 1},
        {6300, true, 0, 0, 2},
    };
    uint32_t last = 0;
    for (const Step& step : steps) {
        if (step.at == 3500) {
            IdleFrames(kStart + last, kStart + 3100);
            EXPECT_EQ(game.combo, 3) << "exactly 900 ms after the last answer is not expiry";
            FrameAt(kStart + 3120);
            EXPECT_EQ(game.combo, 0) << "the first drawn frame after 3,100 ends the combo";
            last = 3120;
        }
        IdleFrames(kStart + last, kStart + step.at - 20);
        AnswerAt(kStart + step.at, step.correct ? CorrectDigit() : WrongDigit());
        EXPECT_EQ((std::vector<int>{game.combo, game.miss, game.ans}),
                  (std::vector<int>{step.combo, step.miss, step.ans}))
            << "at " << step.at;
        last = step.at;
    }
}

TEST_F(Drill, AnswerInTheFirstFramePastTheWindowStillContinuesTheCombo) {
    FrameAt(kStart);
    AnswerAt(kStart + 20, CorrectDigit());
    IdleFrames(kStart + 20, kStart + 920);
    // The answer comes before the expiry test of its own frame.
    AnswerAt(kStart + 940, CorrectDigit());
    EXPECT_EQ(game.combo, 1);
    EXPECT_EQ(game.ans, 5);
    // Once a frame has found the window expired, the next answer starts anew.
    IdleFrames(kStart + 940, kStart + 1860);
    AnswerAt(kStart + 1880, CorrectDigit());
    EXPECT_EQ(game.combo, 0);
    EXPECT_EQ(game.ans, 6);
}

TEST_F(Drill, ScoreFloorAtMinus9999) {
    FrameAt(kStart);
    uint32_t t = kStart;
    for (int i = 1; i <= 24; ++i) {
        IdleFrames(t, t + 180);
        t += 200;
        AnswerAt(t, WrongDigit());
        if (i == 22) {
            EXPECT_EQ(game.ans, -9955);
        }
        if (i >= 23) {
            EXPECT_EQ(game.ans, -9999) << "wrong answer " << i;
        }
    }
    IdleFrames(t, t + 180);
    AnswerAt(t + 200, CorrectDigit());
    EXPECT_EQ(game.ans, -9998);
}

TEST_F(Drill, LowestDigitWinsAndTheKeypadIsAskedOnlyWhenTheMainKeyIsUp) {
    FrameAt(kStart);
    game.digits[1] = 1;
    game.digits[2] = 2;
    fake.keys[kKeyDigit0 + 7] = true;
    fake.keys[kKeyNumpad0 + 3] = true;
    fake.key_queries.clear();
    FrameAt(kStart + 20);
    EXPECT_EQ(game.ans, 1) << "3 is the answer, and it is right";
    EXPECT_EQ(fake.key_queries,
              (std::vector<uint8_t>{0x30, 0x60, 0x31, 0x61, 0x32, 0x62, 0x33, 0x63}));
}

TEST_F(Drill, HeldKeyAnswersEveryEighthDrawnFrameAndAWrongOneKeepsTheRow) {
    FrameAt(kStart);
    const std::vector<int32_t> row(std::begin(game.digits), std::end(game.digits));
    AnswerAt(kStart + 20, WrongDigit());
    EXPECT_EQ(game.drop_y, 7);
    EXPECT_EQ(std::vector<int32_t>(std::begin(game.digits), std::end(game.digits)), row);
    IdleFrames(kStart + 20, kStart + 200);

    fake.keys[kKeyDigit0 + 4] = true;
    std::vector<int> answer_frames;
    for (int frame = 0; frame < 40; ++frame) {
        const int slide = game.slide_x;
        const int drop = game.drop_y;
        FrameAt(kStart + 220 + 20 * static_cast<uint32_t>(frame));
        if (game.slide_x > slide || game.drop_y > drop) {
            answer_frames.push_back(frame);
        }
    }
    EXPECT_EQ(answer_frames, (std::vector<int>{0, 8, 16, 24, 32}));
}

TEST_F(Drill, SpacedAnswersScoreAsTheStreakRulesSay) {
    FrameAt(kStart);
    uint32_t t = kStart;
    // Wrong answers seconds apart still escalate; correct ones more than
    // 900 ms apart each gain exactly 1; a wrong one right after a correct one
    // loses exactly 1.
    const std::pair<bool, int> answers[] = {{false, -1}, {false, -5}, {false, -18},
                                            {true, -17}, {true, -16}, {false, -17}};
    for (const auto& [correct, expected] : answers) {
        IdleFrames(t, t + 1000);
        t += 1020;
        AnswerAt(t, correct ? CorrectDigit() : WrongDigit());
        EXPECT_EQ(game.ans, expected);
    }
}

TEST_F(Drill, FinalAnsIsTheScoreOfTheEndingFrameAndNoKeyLeavesTheRowAsDealt) {
    const std::vector<int32_t> row(std::begin(game.digits), std::end(game.digits));
    for (uint32_t t = kStart; game.scene == Scene::Drill; t += 16) {
        FrameAt(t);
    }
    EXPECT_EQ(game.final_ans, 0);
    EXPECT_EQ(std::vector<int32_t>(std::begin(game.digits), std::end(game.digits)), row);

    SetUp();
    FrameAt(kStart);
    AnswerAt(kStart + 20, CorrectDigit());
    IdleFrames(kStart + 20, kStart + 200);
    AnswerAt(kStart + 220, CorrectDigit());
    for (uint32_t t = kStart + 240; game.scene == Scene::Drill; t += 20) {
        FrameAt(t);
    }
    EXPECT_EQ(game.final_ans, 5);
}

TEST(AdvanceRow, ShiftsLeftAndDealsOneDigit) {
    ResetWorld();
    int32_t row[kRowLength];
    for (int i = 0; i < kRowLength; ++i) {
        row[i] = i % 10;
    }
    AdvanceRow(row);
    for (int i = 0; i < kRowLength - 1; ++i) {
        EXPECT_EQ(row[i], (i + 1) % 10);
    }
    EXPECT_EQ(row[kRowLength - 1], 41 % 10) << "one draw from the start state";
}

TEST_F(Drill, ComboPastTwoToTheThirtyFirstPointsWrapsAsTwosComplement) {
    // Setting the clock back to the same tick after every answer holds both
    // the coarse clock and the combo window open, as a script can. The 26756th
    // answer of one combo is worth 3 x 26755^2 + 1 points, more than 2^31 - 1.
    constexpr uint64_t kAnswers = 26756;
    for (uint64_t k = 0; k < kAnswers; ++k) {
        AnswerAt(kStart, CorrectDigit());
        for (uint32_t t = kStart + 11; t <= kStart + 77; t += 11) {
            FrameAt(t);
        }
    }
    EXPECT_EQ(game.combo, 26755);
    EXPECT_EQ(StreakPoints(26755), -2147477220);
    // The sum of 3k^2 + 1 for k = 0 .. n - 1, by its closed form, modulo 2^32.
    const uint64_t n = kAnswers;
    const uint64_t sum = n + (n - 1) * n * (2 * n - 1) / 2;
    EXPECT_EQ(game.ans, static_cast<int32_t>(static_cast<uint32_t>(sum)));
    EXPECT_EQ(game.ans, 1846931182);
}

}  // namespace
