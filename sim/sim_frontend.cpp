// The simulator's side of the core's frontend seam: the scripted clock and
// keys, the end of a drawn frame, and the name prompt and ranking display as
// JSON events. The picture itself is drawn by the portable renderer.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "render/cp932.h"
#include "render/surface.h"
#include "render/surface_ops.h"
#include "sim/sim.h"

SimWorld sim;

void StartSimulator(uint32_t start_tick) {
    sim = SimWorld{};
    sim.tick = start_tick;
    game = GameState{};
    random_source = RandomSource{1};
    std::memset(entered_name, 0, sizeof entered_name);
    ClearOpTrace();
    LoadRankTable();
    CreateFrameSurface();
    StartFirstGame();
}

void AppendJsonString(std::string& out, const std::string& s) {
    out += '"';
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void EmitLine(const std::string& line) {
    errno = 0;
    const bool written = std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
                         std::fputc('\n', stdout) != EOF && std::fflush(stdout) == 0;
    if (!written) {
        const int error = errno;
        std::clearerr(stdout);
        throw OutputError{error};
    }
}

uint32_t GetTick() {
    return sim.tick;
}

bool IsKeyDown(uint8_t virtual_key) {
    return sim.keys_down[virtual_key];
}

const char* SceneName(Scene scene) {
    switch (scene) {
        case Scene::Title:
            return "title";
        case Scene::Drill:
            return "drill";
        case Scene::Result:
            return "result";
        case Scene::Ending:
            return "ending";
    }
    return "unknown";
}

// The surface already holds the finished frame; there is no window to copy it
// to, so the frame only ends here, with its trace line when one is asked for.
void RepaintWindow() {
    if (!op_trace.enabled) {
        return;
    }
    TraceOp("{\"op\":\"repaint\"}");
    std::string line = "{\"event\":\"frame\",\"scene\":\"";
    line += SceneName(op_trace.has_scene ? op_trace.scene : game.scene);
    line += "\",\"tick\":" + std::to_string(sim.tick) + ",\"ops\":[" + op_trace.ops + "]}";
    EmitLine(line);
    ClearOpTrace();
}

void PromptForName(char name[256]) {
    std::string chosen;
    if (!sim.queued_names.empty()) {
        chosen = sim.queued_names.front();
        sim.queued_names.pop_front();
    }
    std::memcpy(name, chosen.c_str(), chosen.size() + 1);

    std::string line = "{\"event\":\"name_prompt\",\"name\":";
    AppendJsonString(line, Cp932ToUtf8(chosen.data(), chosen.size()));
    line += '}';
    EmitLine(line);
}

void ShowRanking() {
    std::string line = "{\"event\":\"ranking\",\"rows\":[";
    for (int i = 0; i < kRankRows; ++i) {
        if (i > 0) {
            line += ',';
        }
        line += "{\"points\":" + std::to_string(rank_table.points[i]) + ",\"name\":";
        const char* field = rank_table.player_names[i];
        AppendJsonString(line, Cp932ToUtf8(field, NameLength(field)));
        line += '}';
    }
    line += "]}";
    EmitLine(line);
}
