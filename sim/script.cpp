// The script interpreter: a line is parsed whole before anything of it runs,
// so a bad line leaves the game as the lines before it left it.
#include "sim/script.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "render/snapshot.h"
#include "render/surface.h"
#include "screens/screens.h"
#include "sim/shell.h"
#include "text/cp932.h"

namespace {

// Space, tab, vertical tab, form feed and carriage return all separate words.
constexpr std::string_view kBlanks = " \t\v\f\r";

bool IsBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}

// The length of the well-formed UTF-8 sequence at i (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 if there is none.
std::size_t Utf8Length(std::string_view text, std::size_t i, char32_t& code) {
    const auto b = static_cast<uint8_t>(text[i]);
    std::size_t length;
    char32_t lowest;
    if (b < 0x80) {
        code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2, lowest = 0x80, code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, lowest = 0x800, code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, lowest = 0x10000, code = b & 0x07;
    } else {
        return 0;
    }
    if (text.size() - i < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto t = static_cast<uint8_t>(text[i + k]);
        if ((t & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (t & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

void CheckText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t code;
        const std::size_t length = Utf8Length(text, i, code);
        if (length == 0) {
            throw ScriptError{"not valid UTF-8"};
        }
        if (code == 0) {
            throw ScriptError{"a NUL byte in the line"};
        }
        i += length;
    }
}

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && !IsBlank(line[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(line.substr(start, at - start));
        }
    }
    return words;
}

std::string Quoted(std::string_view word) {
    return "'" + EscapeBytes(word) + "'";
}

}  // namespace

// A sign or anything larger is an error, never a wrap-around.
uint32_t ScriptNumber(std::string_view word) {
    std::size_t start = 0;
    uint64_t base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        start = 2;
        base = 16;
    }
    if (word.size() == start) {
        throw ScriptError{"bad number " + Quoted(word)};
    }
    uint64_t value = 0;
    for (std::size_t i = start; i < word.size(); ++i) {
        const char c = word[i];
        uint64_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint64_t>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<uint64_t>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<uint64_t>(c - 'A' + 10);
        } else {
            throw ScriptError{"bad number " + Quoted(word)};
        }
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) {
            throw ScriptError{"bad number " + Quoted(word)};
        }
    }
    return static_cast<uint32_t>(value);
}

namespace {

uint8_t KeyCode(std::string_view name) {
    if (name == "return") {
        return kKeyReturn;
    }
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
        return static_cast<uint8_t>(kKeyDigit0 + (name[0] - '0'));
    }
    if (name.size() == 4 && name.substr(0, 3) == "num" && name[3] >= '0' && name[3] <= '9') {
        return static_cast<uint8_t>(kKeyNumpad0 + (name[3] - '0'));
    }
    throw ScriptError{"unknown key " + Quoted(name)};
}

void ExpectArguments(const std::vector<std::string_view>& words, std::size_t least,
                     std::size_t most) {
    if (words.size() - 1 < least || words.size() - 1 > most) {
        throw ScriptError{"wrong number of arguments for " + Quoted(words[0])};
    }
}

void CheckPasses(uint64_t passes, const ScriptLimits& limits) {
    if (passes > limits.most_passes) {
        throw ScriptError{"too many passes: " + std::to_string(passes) + " (at most " +
                          std::to_string(limits.most_passes) + ")"};
    }
}

void PrintState() {
    std::string out = "{\"tick\":" + std::to_string(sim.tick) + ",\"scene\":\"" +
                      SceneName(game.scene) + "\",\"digits\":[";
    for (int i = 0; i < kRowLength; ++i) {
        out += i ? "," : "";
        out += std::to_string(game.digits[i]);
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
        out += i ? "," : "";
        out += std::to_string(rank_table.points[i]);
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

}  // namespace

std::string EscapeBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        std::size_t length = Utf8Length(bytes, i, code);
        const bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
        if (length == 0 || control) {
            // An unprintable character shows all of its bytes, escaped.
            length = length == 0 ? 1 : length;
            for (std::size_t k = 0; k < length; ++k) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<uint8_t>(bytes[i + k]));
                out += hex;
            }
        } else if (bytes[i] == '\\') {
            out += "\\\\";
        } else {
            out.append(bytes.substr(i, length));
        }
        i += length;
    }
    return out;
}

ScriptStep RunScriptLine(std::string_view line, const ScriptLimits& limits) {
    // A CRLF line ending is one line ending.
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return ScriptStep::Continue;
    }
    line.remove_prefix(first);
    const std::string_view command =
        line.substr(0, std::min(line.find_first_of(kBlanks), line.size()));
    if (command == "name") {
        // Everything after exactly one separator is the name, blanks and all;
        // like a typed name it ends at a NUL.
        std::string_view text = line.substr(command.size());
        text.remove_prefix(text.empty() ? 0 : 1);
        text = text.substr(0, text.find('\0'));
        sim.queued_names.push_back(Utf8ToCp932Name(text));
        return ScriptStep::Continue;
    }
    CheckText(line);
    if (command[0] == '#') {
        return ScriptStep::Continue;
    }
    const std::vector<std::string_view> words = SplitWords(line);
    if (command == "tick") {
        ExpectArguments(words, 1, 1);
        sim.tick = ScriptNumber(words[1]);
    } else if (command == "advance") {
        ExpectArguments(words, 1, 1);
        // The clock itself wraps at 2^32, as the tick does.
        sim.tick += ScriptNumber(words[1]);
    } else if (command == "frame") {
        ExpectArguments(words, 0, 1);
        const uint32_t passes = words.size() == 2 ? ScriptNumber(words[1]) : 1;
        CheckPasses(passes, limits);
        for (uint32_t i = 0; i < passes; ++i) {
            RunFrame();
        }
    } else if (command == "run") {
        ExpectArguments(words, 1, 2);
        const uint32_t ms = ScriptNumber(words[1]);
        const uint32_t step = words.size() == 3 ? ScriptNumber(words[2]) : 1;
        if (step == 0 || ms % step != 0) {
            throw ScriptError{"run: " + EscapeBytes(words[1]) + " is not a multiple of the step " +
                              (words.size() == 3 ? EscapeBytes(words[2]) : std::string("1"))};
        }
        CheckPasses(ms / step, limits);
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
        const std::string path(limits.snapshot_path ? limits.snapshot_path : words[1]);
        std::string error;
        if (!WriteSurfacePng(path.c_str(), frame_surface, error)) {
            throw ScriptError{"cannot write " + Quoted(words[1]) + ": " + error};
        }
    } else if (command == "close") {
        ExpectArguments(words, 0, 0);
        CloseSimulator();
        return ScriptStep::Closed;
    } else {
        throw ScriptError{"unknown command " + Quoted(command)};
    }
    return ScriptStep::Continue;
}
