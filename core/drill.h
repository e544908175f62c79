// The rules of the drill: the coarse clock, the answer, the row, the score.
#pragma once

#include <cstdint>

constexpr int32_t kScoreFloor = -9999;
constexpr uint32_t kComboWindowMs = 900;
constexpr int32_t kAnimationStart = 8;

// Moves the row one place left and deals one new digit at its end.
void AdvanceRow(int32_t row[20]);

// Points gained by a correct answer (or lost by a wrong one) for a streak
// counter as the answer has just updated it.
inline int32_t StreakPoints(int32_t streak) {
    return streak * streak * 3 + 1;
}
