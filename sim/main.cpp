// kobaru-sim: runs whole games with a scripted clock and keyboard, for tests,
// bug reports and replays.
//
//   kobaru-sim [--start-tick T] [--trace] [SCRIPT]
//
// One command a line, from SCRIPT or standard input; see docs/SIMULATOR.md.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "render/cp932.h"
#include "render/snapshot.h"
#include "render/surface.h"
#include "render/surface_ops.h"
#include "sim/sim.h"

namespace {

constexpr const char* kUsage = "usage: kobaru-sim [--start-tick T] [--trace] [SCRIPT]\n";

struct Failure {
    std::string message;
};

std::optional<uint64_t> ParseNumber(const std::string& text, uint64_t max) {
    if (text.empty()) {
        return std::nullopt;
    }
    int base = 10;
    std::size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    uint64_t value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > max) {
            return std::nullopt;
        }
    }
    return value;
}

uint32_t Tick32(const std::string& text) {
    const auto value = ParseNumber(text, 0xFFFFFFFFu);
    if (!value) {
        throw Failure{"bad number '" + text + "'"};
    }
    return static_cast<uint32_t>(*value);
}

uint8_t KeyCode(const std::string& name) {
    if (name == "return") {
        return kKeyReturn;
    }
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
        return static_cast<uint8_t>(kKeyDigit0 + (name[0] - '0'));
    }
    if (name.size() == 4 && name.compare(0, 3, "num") == 0 && name[3] >= '0' && name[3] <= '9') {
        return static_cast<uint8_t>(kKeyNumpad0 + (name[3] - '0'));
    }
    throw Failure{"unknown key '" + name + "'"};
}

void PrintState() {
    std::string out = "{\"tick\":" + std::to_string(sim.tick) + ",\"scene\":\"" +
                      SceneName(game.scene) + "\",\"digits\":[";
    for (int i = 0; i < kRowLength; ++i) {
        out += (i ? "," : "") + std::to_string(game.digits[i]);
    }
    out += "]";
    auto field = [&out](const char* name, auto value) {
        out += ",\"";
        out += name;
        out += "\":" + std::to_string(value);
    };
    field("ans", game.ans);
    field("combo", game.combo);
    field("miss", game.miss);
    field("combo_live", game.combo_live);
    field("miss_live", game.miss_live);
    field("combo_tick", game.combo_tick);
    field("slide_x", game.slide_x);
    field("drop_y", game.drop_y);
    field("time_limit_s", game.time_limit_s);
    field("drill_start_tick", game.drill_start_tick);
    field("drill_elapsed_ms", game.drill_elapsed_ms);
    field("final_ans", game.final_ans);
    field("wave_phase", game.wave_phase);
    field("title_start_tick", game.title_start_tick);
    field("ending_start_tick", game.ending_start_tick);
    field("title_last_frame_tick", game.title_last_frame_tick);
    field("drill_last_frame_tick", game.drill_last_frame_tick);
    field("ending_last_frame_tick", game.ending_last_frame_tick);
    out += ",\"points\":[";
    for (int i = 0; i < kRankRows; ++i) {
        out += (i ? "," : "") + std::to_string(rank_table.points[i]);
    }
    out += "],\"names\":[";
    for (int i = 0; i < kRankRows; ++i) {
        if (i) {
            out += ',';
        }
        const char* name = rank_table.player_names[i];
        AppendJsonString(out, Cp932ToUtf8(name, NameLength(name)));
    }
    out += "]";
    field("play_number", rank_table.play_number);
    out += "}";
    EmitLine(out);
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

void ExpectArguments(const std::vector<std::string>& words, std::size_t least, std::size_t most) {
    if (words.size() - 1 < least || words.size() - 1 > most) {
        throw Failure{"wrong number of arguments for '" + words[0] + "'"};
    }
}

// Runs one command; returns false when the script asks the game to close.
bool RunCommand(const std::string& line) {
    const std::vector<std::string> words = SplitWords(line);
    const std::string& command = words[0];
    if (command == "name") {
        // The rest of the line after one separating blank, spaces kept.
        const std::string text = line.size() > 5 ? line.substr(5) : std::string();
        sim.queued_names.push_back(Utf8ToCp932Name(text));
    } else if (command == "tick") {
        ExpectArguments(words, 1, 1);
        sim.tick = Tick32(words[1]);
    } else if (command == "advance") {
        ExpectArguments(words, 1, 1);
        sim.tick += Tick32(words[1]);
    } else if (command == "frame") {
        ExpectArguments(words, 0, 1);
        const uint32_t passes = words.size() == 2 ? Tick32(words[1]) : 1;
        for (uint32_t i = 0; i < passes; ++i) {
            RunFrame();
        }
    } else if (command == "run") {
        ExpectArguments(words, 1, 2);
        const uint32_t ms = Tick32(words[1]);
        const uint32_t step = words.size() == 3 ? Tick32(words[2]) : 1;
        if (step == 0 || ms % step != 0) {
            throw Failure{"run: " + words[1] + " is not a multiple of the step " +
                          (words.size() == 3 ? words[2] : std::string("1"))};
        }
        for (uint32_t i = 0; i < ms / step; ++i) {
            sim.tick += step;
            RunFrame();
        }
    } else if (command == "press" || command == "release") {
        ExpectArguments(words, 1, 1);
        sim.keys_down[KeyCode(words[1])] = command == "press";
    } else if (command == "print") {
        ExpectArguments(words, 0, 0);
        PrintState();
    } else if (command == "snapshot") {
        ExpectArguments(words, 1, 1);
        std::string error;
        if (!WriteSurfacePng(words[1].c_str(), frame_surface, error)) {
            throw Failure{"cannot write '" + words[1] + "': " + error};
        }
    } else if (command == "close") {
        ExpectArguments(words, 0, 0);
        SaveRankTable();
        return false;
    } else {
        throw Failure{"unknown command '" + command + "'"};
    }
    return true;
}

int RunScript(std::istream& script) {
    std::string line;
    unsigned line_number = 0;
    while (std::getline(script, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        line.erase(0, first);
        try {
            if (!RunCommand(line)) {
                return 0;
            }
        } catch (const Failure& failure) {
            std::fflush(stdout);
            std::fprintf(stderr, "kobaru-sim: line %u: %s: %s\n", line_number,
                         failure.message.c_str(), line.c_str());
            return 2;
        }
    }
    // A game that is not closed loses its run, as a killed game does.
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t start_tick = 1000;
    const char* script_path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--trace") {
            op_trace.enabled = true;
        } else if (arg == "--start-tick") {
            if (i + 1 == argc) {
                std::fprintf(stderr, "kobaru-sim: --start-tick needs a value\n%s", kUsage);
                return 2;
            }
            const auto value = ParseNumber(argv[++i], 0xFFFFFFFFu);
            if (!value) {
                std::fprintf(stderr, "kobaru-sim: bad start tick '%s'\n%s", argv[i], kUsage);
                return 2;
            }
            start_tick = static_cast<uint32_t>(*value);
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "kobaru-sim: unknown option '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        } else if (!script_path) {
            script_path = argv[i];
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }

    std::ifstream file;
    if (script_path) {
        file.open(script_path);
        if (!file) {
            std::fprintf(stderr, "kobaru-sim: cannot read script '%s': %s\n", script_path,
                         std::strerror(errno));
            return 2;
        }
    }

    sim.tick = start_tick;
    LoadRankTable();
    CreateFrameSurface();
    StartFirstGame();
    return RunScript(script_path ? static_cast<std::istream&>(file) : std::cin);
}
