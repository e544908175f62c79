// kobaru --progress: the player's history.csv summed up in the terminal.
#include <time.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "core/history.h"
#include "core/progress.h"
#include "sdl/shell.h"

namespace {

constexpr int kRecentDrills = 10;
constexpr int kRecentDays = 14;
constexpr int kBarWidth = 40;

// Two spaces and a bar of value / most of kBarWidth characters, in eighths
// of a block; nothing for nothing.
std::string Bar(double value, double most) {
    static const char* const kEighths[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
    if (value <= 0 || most <= 0) {
        return "";
    }
    const auto eighths = static_cast<long>(std::lround(value / most * kBarWidth * 8));
    std::string bar = "  ";
    for (long i = 0; i < eighths / 8; ++i) {
        bar += "█";
    }
    return bar + kEighths[eighths % 8];
}

std::string Date(int64_t day) {
    int64_t year = 0;
    int month = 0;
    int day_of_month = 0;
    CivilFromDays(day, year, month, day_of_month);
    static const char* const kWeekdays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    char text[32];
    std::snprintf(text, sizeof text, "%s %04lld-%02d-%02d", kWeekdays[((day % 7) + 7) % 7],
                  static_cast<long long>(year), month, day_of_month);
    return text;
}

std::string LocalTime(int64_t ms, int64_t offset_ms) {
    const int64_t local = ms + offset_ms;
    const int64_t in_day = local - LocalDay(ms, offset_ms) * kMsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(in_day / 3'600'000),
                  static_cast<int>(in_day / 60'000 % 60));
    return Date(LocalDay(ms, offset_ms)).substr(4) + " " + text;
}

void PrintPace(const char* what, const Pace& pace) {
    std::printf("  %-16s %5.1f %% right, %5.1f answers a minute (%d drill%s)\n", what,
                AccuracyPercent(pace), AnswersPerMinute(pace), pace.drills,
                pace.drills == 1 ? "" : "s");
}

}  // namespace

int PrintProgress() {
    const std::string path = HistoryPath();
    std::ifstream in(path, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::vector<std::size_t> skipped;
    std::vector<DrillRecord> records = ReadHistory(text, skipped);
    for (const std::size_t line : skipped) {
        std::fprintf(stderr, "kobaru: %s, line %zu: not a drill's record; left as it is\n",
                     path.c_str(), line);
    }
    if (records.empty()) {
        std::printf("No drill in %s yet: each finished drill adds its line there.\n", path.c_str());
        return 0;
    }
    const time_t now = ::time(nullptr);
    tm local{};
    ::localtime_r(&now, &local);
    const int64_t offset_ms = static_cast<int64_t>(local.tm_gmtoff) * 1000;
    const Progress progress = SummariseProgress(std::move(records), now * int64_t{1000}, offset_ms);
    const std::vector<DrillRecord>& drills = progress.drills;

    std::printf("Kobaru: %zu drill%s in %s\n\nThe last drills\n", drills.size(),
                drills.size() == 1 ? "" : "s", path.c_str());
    for (std::size_t i = drills.size() > kRecentDrills ? drills.size() - kRecentDrills : 0;
         i < drills.size(); ++i) {
        const DrillRecord& d = drills[i];
        std::printf("  %s  score %6d  right %3d  wrong %3d  longest run %3d\n",
                    LocalTime(d.started_ms, offset_ms).c_str(), d.score, d.right, d.wrong,
                    d.longest_run);
    }

    std::printf("\nThe best score of each day, the last %d days\n", kRecentDays);
    const int64_t today = LocalDay(now * int64_t{1000}, offset_ms);
    double most = 0;
    for (const DayProgress& day : progress.days) {
        most = day.day > today - kRecentDays && day.best > most ? day.best : most;
    }
    for (int64_t day = today - kRecentDays + 1; day <= today; ++day) {
        const DayProgress* found = nullptr;
        for (const DayProgress& entry : progress.days) {
            found = entry.day == day ? &entry : found;
        }
        if (found) {
            std::printf("  %s %6d%s\n", Date(day).c_str(), found->best,
                        Bar(found->best, most).c_str());
        } else {
            std::printf("  %s      -\n", Date(day).c_str());
        }
    }

    std::printf("\nAccuracy and pace\n");
    PrintPace("the last drill", progress.last_drill);
    PrintPace("the last 7 days", progress.last_week);

    const DrillRecord& last = drills.back();
    std::printf("\nThe last drill's right answers in each 5 seconds\n");
    int32_t most_part = 0;
    for (const int32_t part : last.right_by_part) {
        most_part = part > most_part ? part : most_part;
    }
    for (int i = 0; i < kDrillParts; ++i) {
        std::printf("  %2d-%2d s %3d%s\n", i * 5, i * 5 + 5, last.right_by_part[i],
                    Bar(last.right_by_part[i], most_part).c_str());
    }
    return 0;
}
