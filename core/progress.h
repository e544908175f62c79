// What a player's history says about their progress: the best score of each
// day with the average of the seven days up to it, how accurate and how fast
// the last drill and the last seven days were, and the last drill's work
// curve. The desktop game prints it; the browser draws it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/history.h"

struct DayProgress {
    int64_t day;  // days since 1970-01-01 in the player's time zone
    int32_t drills;
    int32_t best;
    double week_average;  // of every drill's score in the seven days up to this one
};

// Answers over a number of drills: what share were right, and how many came
// a minute of answering (each drill answers for 30 seconds).
struct Pace {
    int32_t drills = 0;
    int64_t right = 0;
    int64_t wrong = 0;
};
double AccuracyPercent(const Pace& pace);
double AnswersPerMinute(const Pace& pace);

struct Progress {
    std::vector<DrillRecord> drills;  // by the time they started
    std::vector<DayProgress> days;    // each day with a drill, in order
    Pace last_drill;
    Pace last_week;  // the drills of today and the six days before
};

// The player's day of a moment, for a time zone utc_offset_ms ahead of UTC.
int64_t LocalDay(int64_t ms, int64_t utc_offset_ms);

Progress SummariseProgress(std::vector<DrillRecord> records, int64_t now_ms, int64_t utc_offset_ms);
