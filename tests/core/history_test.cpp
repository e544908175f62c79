// The drill's record in history.csv: its line both ways, the file read back,
// merged, and summed up as progress.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/history.h"
#include "core/progress.h"

namespace {

TEST(History, TimesReadAndWriteAsUtcWithTheCalendarsDays) {
    // Text, its milliseconds since 1970 (-1: not a time).
    const std::vector<std::pair<std::string, int64_t>> cases = {
        {"1970-01-01T00:00:00.000Z", 0},
        {"2026-12-07T11:17:37.123Z", 1796642257123},
        {"2024-02-29T23:59:59.999Z", 1709251199999},
        {"1969-12-31T23:59:59.999Z", -1},
        {"2026-12-07T11:17:37Z", 1796642257000},
        {"2025-02-29T00:00:00Z", -2},
        {"2026-13-01T00:00:00Z", -2},
        {"2026-12-07 11:17:37Z", -2},
        {"2026-12-07T24:00:00Z", -2},
        {"2026-12-07T11:17:37.12Z", -2},
    };
    for (const auto& [text, ms] : cases) {
        int64_t read = 0;
        EXPECT_EQ(ParseUtc(text, read), ms != -2) << text;
        if (ms != -2) {
            EXPECT_EQ(read, ms) << text;
            EXPECT_EQ(FormatUtc(ms).substr(0, 19), text.substr(0, 19)) << text;
        }
    }
}

TEST(History, LinesAreRecordsOnlyWithTwelveFieldsInTheirForms) {
    const std::string good = "2026-12-07T11:17:37.123Z,-9999,25,2,8,5,4,4,4,4,4,4294967295";
    DrillRecord record;
    ASSERT_TRUE(ParseHistoryLine(good, record));
    EXPECT_EQ(FormatHistoryLine(record), good);
    EXPECT_EQ(record.right_by_part[5], 4);
    EXPECT_EQ(record.first_row_tick, 4294967295u);
    // As a spreadsheet saves it: every field quoted.
    EXPECT_TRUE(ParseHistoryLine(
        "\"2026-12-07T11:17:37Z\",\"1\",\"1\",\"0\",\"1\",\"1\",0,0,0,0,0,\"7\"", record));
    EXPECT_EQ(record.score, 1);
    for (const char* bad :
         {"2026-12-07T11:17:37.123Z,1,1,0,1,1,0,0,0,0,0",             // eleven fields
          "2026-12-07T11:17:37.123Z,1,1,0,1,1,0,0,0,0,0,7,8",         // thirteen
          "2026-12-07T11:17:37.123Z,1,-1,0,1,1,0,0,0,0,0,7",          // a count below zero
          "2026-12-07T11:17:37.123Z,2147483648,1,0,1,1,0,0,0,0,0,7",  // past 32 bits
          "2026-12-07T11:17:37.123Z,1,1,0,1,1,0,0,0,0,0,4294967296",
          "2026-12-07T11:17:37.123Z,1,1,0,1,1,0,0,0,0,0,x7",
          "\"2026-12-07T11:17:37Z,1,1,0,1,1,0,0,0,0,0,7",  // a quote left open
          "yesterday,1,1,0,1,1,0,0,0,0,0,7"}) {
        EXPECT_FALSE(ParseHistoryLine(bad, record)) << bad;
    }
}

TEST(History, AFileIsReadPastItsHeaderAndDamageAndMergedWithoutTwins) {
    const std::string a = "2026-12-01T09:00:00.000Z,5,5,0,5,5,0,0,0,0,0,1";
    const std::string b = "2026-12-02T09:00:00.000Z,6,6,0,6,6,0,0,0,0,0,2";
    const std::string c = "2026-12-03T09:00:00.000Z,7,7,0,7,7,0,0,0,0,0,3";
    const std::string text = std::string(kHistoryHeader) + "\r\n" + a + "\r\nrank.txt\r\n\r\n" + b +
                             "\n2026-12-02T09:00\r\n";
    std::vector<std::size_t> skipped;
    const std::vector<DrillRecord> records = ReadHistory(text, skipped);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].score, 6);
    EXPECT_EQ(skipped, (std::vector<std::size_t>{3, 6}));
    EXPECT_EQ(NewHistoryLines(text, c + "\n" + a + "\n" + c + "\n"), c + "\r\n");
}

TEST(Progress, EachDaysBestTheWeekBehindItAndThePace) {
    // Scores on the 1st, twice on the 3rd, the 9th; today is the 9th, in a
    // zone an hour ahead of UTC, where 23:30 UTC on the 3rd is the 4th.
    auto drill = [](const char* when, int32_t score, int32_t right, int32_t wrong) {
        DrillRecord record;
        EXPECT_TRUE(ParseUtc(when, record.started_ms));
        record.score = score;
        record.right = right;
        record.wrong = wrong;
        return record;
    };
    const std::vector<DrillRecord> records = {
        drill("2026-12-09T08:00:00Z", 90, 45, 5), drill("2026-12-01T08:00:00Z", 10, 10, 10),
        drill("2026-12-03T08:00:00Z", 30, 20, 0), drill("2026-12-03T10:00:00Z", 50, 30, 10),
        drill("2026-12-03T23:30:00Z", 40, 20, 0)};
    int64_t now = 0;
    ASSERT_TRUE(ParseUtc("2026-12-09T12:00:00Z", now));
    const Progress progress = SummariseProgress(records, now, 3'600'000);
    const int64_t first = DaysFromCivil(2026, 12, 1);
    ASSERT_EQ(progress.days.size(), 4u);
    const int64_t days[] = {first, first + 2, first + 3, first + 8};
    const int32_t bests[] = {10, 50, 40, 90};
    const double averages[] = {10, 30, 32.5, 52.5};  // the 9th: the 3rd's two, the 4th's, its own
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(progress.days[i].day, days[i]) << i;
        EXPECT_EQ(progress.days[i].best, bests[i]) << i;
        EXPECT_DOUBLE_EQ(progress.days[i].week_average, averages[i]) << i;
    }
    EXPECT_EQ(progress.drills.back().score, 90) << "the last drill by time";
    // The last drill by time, not the last in the file. (The pace and the
    // week's sums are sdl/test_progress.py's.)
    EXPECT_DOUBLE_EQ(AccuracyPercent(progress.last_drill), 90.0);
    // The week is the 3rd to the 9th: all but the 1st.
    EXPECT_EQ(progress.last_week.drills, 4);
}

}  // namespace
