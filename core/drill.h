// The rules of the drill: the coarse clock, the answer, the row, the score.
#pragma once

#include <cstdint>

#include "core/game_state.h"

constexpr int32_t kScoreFloor = -9999;
constexpr uint32_t kComboWindowMs = 900;
constexpr int32_t kAnimationStart = 8;

// Moves the row one place left and deals one new digit at its end.
void AdvanceRow(int32_t row[kRowLength]);

// What the drill does on every call before it draws: the start tick on its
// first call, the coarse clock, then its frame gate. True for a frame to
// draw.
bool OpenDrillFrame();

// After the star field: the answer, the score, the combo's expiry and the end
// of the drill.
void RunDrillRules();

// After the drawing: the slide or the drop moves one step back to rest.
void StepRowAnimations();

// Points gained by a correct answer (or lost by a wrong one) for a streak
// counter as the answer has just updated it. Like all score arithmetic it
// wraps as a 32-bit two's complement integer, which a real 30-second drill
// never reaches but a scripted clock can.
inline int32_t StreakPoints(int32_t streak) {
    return WrappingAdd(WrappingMul(WrappingMul(streak, streak), 3), 1);
}
