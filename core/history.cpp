// The drill's record, its line in history.csv, and its file beside rank.txt.
#include "core/history.h"

#include <cstdio>

#include "core/file_store.h"
#include "core/frontend.h"
#include "core/rank_table.h"

DrillRecord drill_record;

namespace {

constexpr int kHistoryFields = 5 + kDrillParts + 1;

// The fields of a line by the RFC 4180 rules; false for a quote out of place.
bool SplitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, {});
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        std::string& field = fields.back();
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
                if (i + 1 < line.size() && line[i + 1] != ',') {
                    return false;
                }
            }
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == '"') {
            return false;
        } else {
            field += c;
        }
    }
    return !quoted;
}

bool Whole(std::string_view text, int64_t lowest, int64_t highest, int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 10) {
        return false;
    }
    int64_t magnitude = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (c - '0');
    }
    value = negative ? -magnitude : magnitude;
    return value >= lowest && value <= highest;
}

bool Whole32(std::string_view text, int32_t lowest, int32_t& value) {
    int64_t wide = 0;
    if (!Whole(text, lowest, INT32_MAX, wide)) {
        return false;
    }
    value = static_cast<int32_t>(wide);
    return true;
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool IsHeader(std::string_view line) {
    std::vector<std::string> fields;
    std::vector<std::string> header;
    if (!SplitFields(line, fields) || !SplitFields(kHistoryHeader, header)) {
        return false;
    }
    return fields == header;
}

}  // namespace

void StartDrillRecord(uint32_t first_row_tick) {
    drill_record = DrillRecord{};
    drill_record.first_row_tick = first_row_tick;
}

void NoteDrillStart() {
    drill_record.started_ms = WallClockMs();
}

void NoteAnswer(bool right, int32_t combo, uint32_t drill_elapsed_ms) {
    if (!right) {
        ++drill_record.wrong;
        return;
    }
    ++drill_record.right;
    // combo counts from 0 at a streak's first answer; a wrapped one is no run.
    const int32_t run = combo >= 0 && combo < INT32_MAX ? combo + 1 : drill_record.longest_run;
    drill_record.longest_run = run > drill_record.longest_run ? run : drill_record.longest_run;
    const uint32_t part = drill_elapsed_ms / kDrillPartMs;
    ++drill_record.right_by_part[part < kDrillParts ? part : kDrillParts - 1];
}

void NoteDrillEnd(int32_t score) {
    drill_record.score = score;
}

std::string HistoryPath() {
    // Windows separates folders with either slash.
    const std::string& rank = rank_file.path;
    const std::size_t slash = rank.find_last_of("/\\");
    return slash == std::string::npos ? "history.csv" : rank.substr(0, slash + 1) + "history.csv";
}

void SaveDrillRecord() {
    const std::string path = HistoryPath();
    const std::string header = std::string(kHistoryHeader) + "\r\n";
    const std::string line = FormatHistoryLine(drill_record) + "\r\n";
    StoreLock lock;
    LockStoredFile(path.c_str(), rank_file.make_folder, kStoreLockWaitMs, lock);
    AppendStoredLine(path.c_str(), header.c_str(), line.c_str(), rank_file.make_folder);
    UnlockStoredFile(lock);
}

std::string FormatHistoryLine(const DrillRecord& record) {
    std::string line = FormatUtc(record.started_ms);
    const auto field = [&line](const std::string& value) {
        line += ',';
        line += value;
    };
    for (const int32_t value : {record.score, record.right, record.wrong, record.longest_run}) {
        field(std::to_string(value));
    }
    for (const int32_t value : record.right_by_part) {
        field(std::to_string(value));
    }
    field(std::to_string(record.first_row_tick));
    return line;
}

bool ParseHistoryLine(std::string_view line, DrillRecord& record) {
    std::vector<std::string> fields;
    if (!SplitFields(line, fields) || fields.size() != kHistoryFields) {
        return false;
    }
    DrillRecord read;
    int64_t tick = 0;
    bool ok = ParseUtc(fields[0], read.started_ms) && Whole32(fields[1], INT32_MIN, read.score) &&
              Whole32(fields[2], 0, read.right) && Whole32(fields[3], 0, read.wrong) &&
              Whole32(fields[4], 0, read.longest_run) &&
              Whole(fields[kHistoryFields - 1], 0, UINT32_MAX, tick);
    for (int i = 0; i < kDrillParts && ok; ++i) {
        ok = Whole32(fields[5 + i], 0, read.right_by_part[i]);
    }
    if (ok) {
        read.first_row_tick = static_cast<uint32_t>(tick);
        record = read;
    }
    return ok;
}

std::vector<DrillRecord> ReadHistory(std::string_view text, std::vector<std::size_t>& skipped) {
    std::vector<DrillRecord> records;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        DrillRecord record;
        if (ParseHistoryLine(line, record)) {
            records.push_back(record);
        } else if (!line.empty() && !IsHeader(line)) {
            skipped.push_back(number);
        }
    }
    return records;
}

std::string NewHistoryLines(std::string_view existing, std::string_view loaded) {
    std::vector<std::size_t> skipped;
    std::vector<std::string> held;
    for (const DrillRecord& record : ReadHistory(existing, skipped)) {
        held.push_back(FormatHistoryLine(record));
    }
    std::string lines;
    for (const DrillRecord& record : ReadHistory(loaded, skipped)) {
        std::string line = FormatHistoryLine(record);
        bool known = false;
        for (const std::string& other : held) {
            known = known || other == line;
        }
        if (!known) {
            lines += line + "\r\n";
            held.push_back(std::move(line));
        }
    }
    return lines;
}

// Days from and to civil dates of the proleptic Gregorian calendar, by eras
// of 400 years that repeat exactly.
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t of_era = year - era * 400;
    const int64_t of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t of_cycle = of_era * 365 + of_era / 4 - of_era / 100 + of_year;
    return era * 146097 + of_cycle - 719468;
}

void CivilFromDays(int64_t days, int64_t& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t of_cycle = days - era * 146097;
    const int64_t of_era =
        (of_cycle - of_cycle / 1460 + of_cycle / 36524 - of_cycle / 146096) / 365;
    const int64_t of_year = of_cycle - (365 * of_era + of_era / 4 - of_era / 100);
    const int64_t shifted = (5 * of_year + 2) / 153;
    day = static_cast<int>(of_year - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = of_era + era * 400 + (month <= 2);
}

std::string FormatUtc(int64_t ms) {
    const int64_t days = (ms >= 0 ? ms : ms - (kMsPerDay - 1)) / kMsPerDay;
    const int64_t in_day = ms - days * kMsPerDay;
    int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%03dZ",
                  static_cast<long long>(year), month, day, static_cast<int>(in_day / 3'600'000),
                  static_cast<int>(in_day / 60'000 % 60), static_cast<int>(in_day / 1000 % 60),
                  static_cast<int>(in_day % 1000));
    return text;
}

bool ParseUtc(std::string_view text, int64_t& ms) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milli = 0;
    const bool with_ms = text.size() == 24;
    if ((text.size() != 20 && !with_ms) || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text.back() != 'Z' || (with_ms && text[19] != '.') ||
        !Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) ||
        !Digits(text, 11, 2, hour) || !Digits(text, 14, 2, minute) ||
        !Digits(text, 17, 2, second) || (with_ms && !Digits(text, 20, 3, milli))) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    const int64_t days = DaysFromCivil(year, month, day);
    int64_t check_year = 0;
    int check_month = 0;
    int check_day = 0;
    CivilFromDays(days, check_year, check_month, check_day);
    if (check_month != month || check_day != day) {
        return false;
    }
    ms = days * kMsPerDay + ((hour * 60 + minute) * 60 + second) * int64_t{1000} + milli;
    return true;
}
