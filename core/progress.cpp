// The progress a history shows, day by day and over the last week.
#include "core/progress.h"

#include <algorithm>

namespace {

constexpr int64_t kWeekDays = 7;
constexpr double kAnsweringMinutes = 0.5;

void Add(Pace& pace, const DrillRecord& drill) {
    ++pace.drills;
    pace.right += drill.right;
    pace.wrong += drill.wrong;
}

}  // namespace

double AccuracyPercent(const Pace& pace) {
    const int64_t answers = pace.right + pace.wrong;
    return answers == 0 ? 0.0
                        : 100.0 * static_cast<double>(pace.right) / static_cast<double>(answers);
}

double AnswersPerMinute(const Pace& pace) {
    return pace.drills == 0
               ? 0.0
               : static_cast<double>(pace.right + pace.wrong) / (pace.drills * kAnsweringMinutes);
}

int64_t LocalDay(int64_t ms, int64_t utc_offset_ms) {
    const int64_t local = ms + utc_offset_ms;
    return (local >= 0 ? local : local - (kMsPerDay - 1)) / kMsPerDay;
}

Progress SummariseProgress(std::vector<DrillRecord> records, int64_t now_ms,
                           int64_t utc_offset_ms) {
    std::stable_sort(
        records.begin(), records.end(),
        [](const DrillRecord& a, const DrillRecord& b) { return a.started_ms < b.started_ms; });
    Progress progress;
    const int64_t today = LocalDay(now_ms, utc_offset_ms);
    for (const DrillRecord& drill : records) {
        const int64_t day = LocalDay(drill.started_ms, utc_offset_ms);
        if (progress.days.empty() || progress.days.back().day != day) {
            progress.days.push_back({day, 0, drill.score, 0.0});
        }
        DayProgress& entry = progress.days.back();
        ++entry.drills;
        entry.best = std::max(entry.best, drill.score);
        if (day > today - kWeekDays && day <= today) {
            Add(progress.last_week, drill);
        }
    }
    // The average of the seven days up to each day, over every drill in them.
    for (DayProgress& entry : progress.days) {
        double sum = 0;
        int64_t count = 0;
        for (const DrillRecord& drill : records) {
            const int64_t day = LocalDay(drill.started_ms, utc_offset_ms);
            if (day > entry.day - kWeekDays && day <= entry.day) {
                sum += drill.score;
                ++count;
            }
        }
        entry.week_average = sum / static_cast<double>(count);
    }
    if (!records.empty()) {
        Add(progress.last_drill, records.back());
    }
    progress.drills = std::move(records);
    return progress;
}
