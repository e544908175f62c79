// The player's history as the page's Progress section asks for it: summed up
// by the same rules as kobaru --progress, and the drills another history.csv
// adds to this one's.
#include <emscripten.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "core/file_store.h"
#include "core/history.h"
#include "core/progress.h"

namespace {

std::string answer;  // the last answer, kept until the next question

// Where the page puts a history.csv it was given to merge.
constexpr const char* kLoadedHistoryPath = "/kobaru/loaded.csv";

void Number(std::string& out, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    out += text;
}

void PaceJson(std::string& out, const char* name, const Pace& pace) {
    out += "\"" + std::string(name) + "\":{\"drills\":" + std::to_string(pace.drills) +
           ",\"accuracy\":";
    Number(out, AccuracyPercent(pace));
    out += ",\"perMinute\":";
    Number(out, AnswersPerMinute(pace));
    out += "}";
}

}  // namespace

// {"drills": [[started ms, score, right, wrong, longest run, [six parts]], ...],
//  "days": [[day, drills, best, week average], ...], "lastDrill": {...},
//  "lastWeek": {...}, "skipped": lines that are no record}, drills by time.
extern "C" EMSCRIPTEN_KEEPALIVE const char* kobaru_progress_json(double now_ms,
                                                                 double utc_offset_ms) {
    std::ifstream in(HistoryPath(), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::vector<std::size_t> skipped;
    const Progress progress =
        SummariseProgress(ReadHistory(text, skipped), static_cast<int64_t>(now_ms),
                          static_cast<int64_t>(utc_offset_ms));
    answer = "{\"drills\":[";
    for (std::size_t i = 0; i < progress.drills.size(); ++i) {
        const DrillRecord& d = progress.drills[i];
        answer += i ? ",[" : "[";
        for (const int64_t value : {d.started_ms, int64_t{d.score}, int64_t{d.right},
                                    int64_t{d.wrong}, int64_t{d.longest_run}}) {
            answer += std::to_string(value) + ",";
        }
        answer += "[";
        for (int part = 0; part < kDrillParts; ++part) {
            answer += (part ? "," : "") + std::to_string(d.right_by_part[part]);
        }
        answer += "]]";
    }
    answer += "],\"days\":[";
    for (std::size_t i = 0; i < progress.days.size(); ++i) {
        const DayProgress& day = progress.days[i];
        answer += (i ? ",[" : "[") + std::to_string(day.day) + "," + std::to_string(day.drills) +
                  "," + std::to_string(day.best) + ",";
        Number(answer, day.week_average);
        answer += "]";
    }
    answer += "],";
    PaceJson(answer, "lastDrill", progress.last_drill);
    answer += ",";
    PaceJson(answer, "lastWeek", progress.last_week);
    answer += ",\"skipped\":" + std::to_string(skipped.size()) + "}";
    return answer.c_str();
}

// Appends the drills of the history the page has put at kLoadedHistoryPath
// that this one lacks; returns how many. The page holds the turn.
extern "C" EMSCRIPTEN_KEEPALIVE int kobaru_merge_history() {
    const std::string path = HistoryPath();
    std::ifstream held_file(path, std::ios::binary);
    const std::string held(std::istreambuf_iterator<char>(held_file), {});
    std::ifstream loaded_file(kLoadedHistoryPath, std::ios::binary);
    const std::string loaded(std::istreambuf_iterator<char>(loaded_file), {});
    const std::string lines = NewHistoryLines(held, loaded);
    const std::string header = std::string(kHistoryHeader) + "\r\n";
    int added = 0;
    for (std::size_t at = 0; at < lines.size(); ++added) {
        const std::size_t end = lines.find('\n', at) + 1;
        AppendStoredLine(path.c_str(), header.c_str(), lines.substr(at, end - at).c_str(), false);
        at = end;
    }
    return added;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* kobaru_history_header() {
    return kHistoryHeader;
}
