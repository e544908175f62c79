// The drill's rules: the coarse clock, the answer, the row, the score.
#include "core/drill.h"

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/history.h"
#include "core/random_source.h"
#include "core/scenes.h"

namespace {

enum class Verdict { None, Correct, Wrong };

constexpr uint32_t kCoarseStepMs = 1000;

// The drill clock is a staircase: it jumps to the true elapsed time only once
// that runs more than a second ahead, so each step is a little over a second.
void AdvanceCoarseClock() {
    const uint32_t elapsed = TicksSince(GetTick(), game.drill_start_tick);
    if (game.drill_elapsed_ms + kCoarseStepMs < elapsed) {
        game.drill_elapsed_ms = TicksSince(GetTick(), game.drill_start_tick);
    }
}

Verdict JudgeKeys() {
    Verdict verdict = Verdict::None;
    if (game.drill_elapsed_ms >= game.time_limit_s * 1000) {
        return verdict;
    }
    // The lowest digit held wins: once a digit answers, a counter is running
    // and every later digit is skipped without asking for its key.
    for (int k = 0; k <= 9; ++k) {
        if (game.slide_x != 0 || game.drop_y != 0) {
            continue;
        }
        if (!IsKeyDown(static_cast<uint8_t>(kKeyDigit0 + k)) &&
            !IsKeyDown(static_cast<uint8_t>(kKeyNumpad0 + k))) {
            continue;
        }
        if ((game.digits[1] + game.digits[2]) % 10 == k) {
            AdvanceRow(game.digits);
            game.slide_x = kAnimationStart;
            verdict = Verdict::Correct;
        } else {
            game.drop_y = kAnimationStart;
            verdict = Verdict::Wrong;
        }
    }
    return verdict;
}

void Score(Verdict verdict) {
    if (verdict == Verdict::Correct) {
        if (game.combo_live == 1) {
            game.combo = WrappingAdd(game.combo, 1);
        }
        game.miss = 0;
        game.miss_live = 0;
        game.combo_live = 1;
        game.combo_tick = GetTick();
        game.ans = WrappingAdd(game.ans, StreakPoints(game.combo));
        NoteAnswer(true, game.combo, game.drill_elapsed_ms);
    } else if (verdict == Verdict::Wrong) {
        if (game.miss_live == 1) {
            game.miss = WrappingAdd(game.miss, 1);
        }
        game.combo = 0;
        game.combo_live = 0;
        game.miss_live = 1;
        const int32_t lowered = WrappingSub(game.ans, StreakPoints(game.miss));
        game.ans = lowered > kScoreFloor ? lowered : kScoreFloor;
        NoteAnswer(false, game.combo, game.drill_elapsed_ms);
    }
}

void StepTowardZero(int32_t& counter) {
    if (counter > 0) {
        --counter;
    }
    if (counter < 0) {
        ++counter;
    }
}

}  // namespace

void AdvanceRow(int32_t row[kRowLength]) {
    for (int i = 0; i < kRowLength - 1; ++i) {
        row[i] = row[i + 1];
    }
    row[kRowLength - 1] = Next() % 10;
}

bool OpenDrillFrame() {
    if (game.drill_start_tick == 0) {
        game.drill_start_tick = GetTick();
        game.drill_elapsed_ms = 0;
        NoteDrillStart();
    }
    AdvanceCoarseClock();
    return PassFrameGate(game.drill_last_frame_tick);
}

void RunDrillRules() {
    Score(JudgeKeys());
    // After the answer, so an answer in the first frame past the window still
    // continues the combo.
    if (game.combo_live == 1 && TicksSince(GetTick(), game.combo_tick) > kComboWindowMs) {
        game.combo_live = 0;
        game.combo = 0;
    }
    if (game.drill_elapsed_ms >= (game.time_limit_s + 2) * 1000) {
        game.final_ans = game.ans;
        game.scene = Scene::Result;
        NoteDrillEnd(game.final_ans);
    }
}

void StepRowAnimations() {
    StepTowardZero(game.slide_x);
    StepTowardZero(game.drop_y);
}
