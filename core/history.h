// The record of every finished drill, kept beside rank.txt in history.csv so
// that a player can follow their progress over weeks: when the drill
// started, its score, its right and wrong answers, its longest run of quick
// right answers and the right answers of each 5 seconds. Taking it changes
// nothing the game does, draws or keeps in rank.txt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int kDrillParts = 6;  // the 30 seconds of answering, in parts of 5
constexpr uint32_t kDrillPartMs = 5000;
constexpr int64_t kMsPerDay = 86'400'000;

struct DrillRecord {
    int64_t started_ms = 0;  // the wall clock at the drill's first frame, ms since 1970 (UTC)
    int32_t score = 0;       // final_ans
    int32_t right = 0;
    int32_t wrong = 0;
    int32_t longest_run = 0;  // the highest combo reached, plus one; 0 without a right answer
    int32_t right_by_part[kDrillParts] = {};  // by the drill's own clock, as its screen counts
    uint32_t first_row_tick = 0;              // the tick the drill's row was dealt from
};

// The drill in progress, or the one that has just ended.
extern DrillRecord drill_record;

// What the rules tell the record: the row dealt from this tick (ResetGame),
// the drill's first frame, each answer judged with the combo it leaves and
// the drill's clock, and the score the drill ended with.
void StartDrillRecord(uint32_t first_row_tick);
void NoteDrillStart();
void NoteAnswer(bool right, int32_t combo, uint32_t drill_elapsed_ms);
void NoteDrillEnd(int32_t score);

// Appends the ended drill to history.csv in the copy's turn on its folder;
// silent, as the rank file's saves are.
void SaveDrillRecord();

// history.csv: UTF-8, this header, then a line for each drill, ending in CR LF.
constexpr const char* kHistoryHeader =
    "started,score,right,wrong,longest_run,right_0_5s,right_5_10s,right_10_15s,right_15_20s,"
    "right_20_25s,right_25_30s,first_row_tick";

// The file beside rank.txt, wherever the frontend keeps that.
std::string HistoryPath();

// A record as its line (without the line break), and back. A line is read by
// the RFC 4180 rules (a field may be quoted, a quote inside it doubled); it
// is a record only with the twelve fields in their forms: the time as
// 2026-12-07T11:17:37.123Z (the milliseconds may be left out), the counts
// as whole numbers (none below zero but the score), the tick 0 to 2^32 - 1.
std::string FormatHistoryLine(const DrillRecord& record);
bool ParseHistoryLine(std::string_view line, DrillRecord& record);

// The records of a history.csv's text in file order. The header and blank
// lines are passed over; every other line that is no record is left out,
// and its number (from 1) noted in skipped.
std::vector<DrillRecord> ReadHistory(std::string_view text, std::vector<std::size_t>& skipped);

// The lines (each with its CR LF) of the records in loaded that existing
// does not hold already, in loaded's order: what merging another history
// into this one appends.
std::string NewHistoryLines(std::string_view existing, std::string_view loaded);

// Milliseconds since 1970 as 2026-12-07T11:17:37.123Z, and back (false for
// anything else, a date that does not exist included).
std::string FormatUtc(int64_t ms);
bool ParseUtc(std::string_view text, int64_t& ms);

// Days since 1970-01-01 of a civil date, and the date of such a day.
int64_t DaysFromCivil(int64_t year, int month, int day);
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day);
