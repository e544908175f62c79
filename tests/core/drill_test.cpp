// The drill's rules: the coarse clock, the answers, the streaks and the score.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "core/drill.h"
#include "core/frontend.h"
#include "core/game_state.h"
#include "core/history.h"
#include "core/scenes.h"
#include "null/shell.h"
#include "screens/screens.h"

namespace {

constexpr uint32_t kStart = 100000;

std::vector<int32_t> Row() {
    return {std::begin(game.digits), std::end(game.digits)};
}

// One pass at the tick holding the right answer ('T'), a wrong one ('F') or no key.
void FrameAt(uint32_t tick, char answer = '-') {
    const int right = (game.digits[1] + game.digits[2]) % 10;
    bool& held =
        fake.keys[answer == '-' ? 0 : kKeyDigit0 + (answer == 'T' ? right : right + 1) % 10];
    held = answer != '-';
    fake.tick = tick;
    fake.calls.clear();
    RunFrame();
    held = false;
}

// Drawn frames every 20 ms from `from` (exclusive) to `to` (inclusive).
void IdleFrames(uint32_t from, uint32_t to) {
    for (uint32_t t = from + 20; t <= to; t += 20) {
        FrameAt(t);
    }
}

// Frames every 20 ms from the drill's start, at each step an answer or none;
// then combo, miss and ans.
void Play(const std::vector<std::tuple<uint32_t, char, int, int, int>>& steps) {
    FrameAt(kStart);
    uint32_t last = 0;
    for (const auto& [at, answer, combo, miss, ans] : steps) {
        IdleFrames(kStart + last, kStart + at - 20);
        FrameAt(kStart + at, answer);
        EXPECT_EQ(std::tie(game.combo, game.miss, game.ans), std::tie(combo, miss, ans)) << at;
        last = at;
    }
}

class Drill : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        fake.tick = 5000;
        StartFirstGame();
        game.scene = Scene::Drill;
    }
};

TEST_F(Drill, CoarseClockStepsEvery1001MsInRefusedCallsTooAndOnlyDrawnFramesAskForKeys) {
    const std::vector<int32_t> dealt = Row();
    game.drill_last_frame_tick = kStart - 5;  // frames drawn at 6, 17, 28 ... ms: not at 1001
    std::vector<uint32_t> steps;
    std::size_t asked = 0;
    for (uint32_t t = kStart; game.scene == Scene::Drill; ++t) {
        const uint32_t before = game.drill_elapsed_ms;
        FrameAt(t);
        asked += game.drill_elapsed_ms < 30000 ? 20 * CountCalls("repaint") : 0;
        if (game.drill_elapsed_ms != before) {
            steps.push_back(t - kStart);
        }
    }
    ASSERT_EQ(steps.size(), 32u) << "30 seconds to answer, two more to finish";
    EXPECT_EQ((std::vector<uint32_t>{steps[0], steps[1], steps[29], steps[31]}),
              (std::vector<uint32_t>{1001, 2002, 30030, 32032}));
    EXPECT_EQ(fake.key_queries.size(), asked);
    EXPECT_EQ(game.scene, Scene::Ending) << "the result step ran in the same pass";
    EXPECT_EQ(Row(), dealt) << "no key, no move";
}

TEST_F(Drill, FinishPhaseTakesNoKeysSettlesTheRowAndEndsWithTheLastScore) {
    FrameAt(kStart);
    game.drill_elapsed_ms = 29000;
    FrameAt(kStart + 29990, 'T');
    ASSERT_EQ(game.ans, 1);
    game.drill_elapsed_ms = 30000;  // exactly the limit: no more answers
    fake.key_queries.clear();
    for (uint32_t t = kStart + 30010; game.scene == Scene::Drill; t += 20) {
        FrameAt(t, 'T');
    }
    EXPECT_TRUE(fake.key_queries.empty());
    EXPECT_EQ(game.slide_x, 0);
    EXPECT_EQ(game.combo_live, 0) << "the combo window expired during the finish";
    EXPECT_EQ(game.final_ans, 1);
}

TEST_F(Drill, WorkedScoringExample) {
    // 900 ms after the last answer is not yet expiry; the drawn frame after is.
    const std::vector<std::tuple<uint32_t, char, int, int, int>> steps = {
        {1000, 'T', 0, 0, 1},  {1400, 'T', 1, 0, 5},  {1800, 'T', 2, 0, 18}, {2200, 'T', 3, 0, 46},
        {3100, '-', 3, 0, 46}, {3120, '-', 0, 0, 46}, {3500, 'T', 0, 0, 47}, {3800, 'F', 0, 0, 46},
        {4100, 'F', 0, 1, 42}, {4400, 'F', 0, 2, 29}, {6000, 'F', 0, 3, 1},  {6300, 'T', 0, 0, 2}};
    Play(steps);
    // Six right, four wrong, a run of four; the drill's clock showed 6 s at
    // the last answer (steps at 1020, 2040 ... 6120 ms, frames 20 ms apart).
    const DrillRecord& record = drill_record;
    EXPECT_EQ(std::make_tuple(record.right, record.wrong, record.longest_run),
              std::make_tuple(6, 4, 4));
    EXPECT_EQ(std::vector<int32_t>(record.right_by_part, record.right_by_part + kDrillParts),
              (std::vector<int32_t>{5, 1, 0, 0, 0, 0}));
    EXPECT_EQ(record.first_row_tick, 5000u);
}

TEST_F(Drill, AnswerInTheFirstFramePastTheWindowStillContinuesTheCombo) {
    // The answer is judged before its own frame's expiry test, not after.
    Play({{20, 'T', 0, 0, 1}, {940, 'T', 1, 0, 5}, {1860, '-', 0, 0, 5}, {1880, 'T', 0, 0, 6}});
}

TEST_F(Drill, SpacedAnswersScoreByTheStreakRulesDownToTheFloor) {
    // Wrong answers escalate however far apart; scores from oracle.spaced_drill_score.
    const std::string answers = "FFFTTFFFFFFFFFFFFFFFFFFFFFFFFTTF";
    const int expected[] = {-1,    -5,    -18,   -17,   -16,   -17,   -21,   -34,
                            -62,   -111,  -187,  -296,  -444,  -637,  -881,  -1182,
                            -1546, -1979, -2487, -3076, -3752, -4521, -5389, -6362,
                            -7446, -8647, -9971, -9999, -9999, -9998, -9997, -9998};
    FrameAt(kStart);
    uint32_t t = kStart;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const uint32_t gap = answers[i] == 'T' ? 1000 : 200;
        IdleFrames(t, t + gap - 20);
        FrameAt(t += gap, answers[i]);
        EXPECT_EQ(game.ans, expected[i]) << "answer " << i;
    }
}

TEST_F(Drill, FirstFrameJudgesTheLowestDigitHeldAskingTheKeypadOnlyWhenTheMainKeyIsUp) {
    game.digits[1] = 1;
    game.digits[2] = 2;
    fake.keys[kKeyDigit0 + 7] = true;
    fake.keys[kKeyNumpad0 + 3] = true;
    FrameAt(kStart);
    EXPECT_EQ(game.ans, 1) << "3 is the answer, and it is right";
    EXPECT_EQ(game.digits[1], 2) << "the row moved one place left";
    EXPECT_EQ(game.slide_x, 7) << "8, then a step back after the drawing";
    EXPECT_EQ(CallsOf("centred")[0].a, 40) << "drawn 128 pixels right of rest, at 8";
    EXPECT_EQ(fake.key_queries,
              (std::vector<uint8_t>{0x30, 0x60, 0x31, 0x61, 0x32, 0x62, 0x33, 0x63}));
}

TEST_F(Drill, HeldKeyAnswersEveryEighthDrawnFrameAndAWrongOneKeepsTheRow) {
    FrameAt(kStart);
    const std::vector<int32_t> row = Row();
    FrameAt(kStart + 20, 'F');
    EXPECT_EQ(game.drop_y, 7);
    EXPECT_EQ(CallsOf("centred")[1].b, -28) << "drawn 128 pixels above rest, at 8";
    EXPECT_EQ(Row(), row);
    IdleFrames(kStart + 20, kStart + 200);
    fake.keys[kKeyDigit0 + 4] = true;
    std::vector<int> answer_frames;
    for (int frame = 0; frame < 40; ++frame) {
        const int moved = game.slide_x + game.drop_y;
        FrameAt(kStart + 220 + 20 * static_cast<uint32_t>(frame));
        if (game.slide_x + game.drop_y > moved) {
            answer_frames.push_back(frame);
        }
    }
    EXPECT_EQ(answer_frames, (std::vector<int>{0, 8, 16, 24, 32}));
}

TEST(AdvanceRow, ShiftsLeftAndDealsOneDigit) {
    ResetWorld();
    int32_t row[kRowLength] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    AdvanceRow(row);
    EXPECT_EQ(std::vector<int32_t>(row, row + kRowLength),
              (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1}))
        << "the dealt digit is the first draw from the start state, 41";
}

TEST_F(Drill, ComboPastTwoToTheThirtyFirstPointsWrapsAsTwosComplement) {
    // A clock set back after every answer, as a script can, holds the combo
    // open: its 26756th answer is worth 3 x 26755^2 + 1 points, over 2^31 - 1.
    for (int k = 0; k < 26756; ++k) {
        FrameAt(kStart, 'T');
        for (uint32_t t = kStart + 11; t <= kStart + 77; t += 11) {
            FrameAt(t);
        }
    }
    EXPECT_EQ(game.combo, 26755);
    EXPECT_EQ(StreakPoints(26755), -2147477220);
    // The sum of 3k^2 + 1 for k below 26756, modulo 2^32.
    EXPECT_EQ(game.ans, 1846931182);
    EXPECT_EQ(std::make_tuple(drill_record.right, drill_record.longest_run),
              std::make_tuple(26756, 26756));
}

}  // namespace
