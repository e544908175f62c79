// The simulator's window: its start-up and its close, the end of every drawn
// frame (a trace line when asked for), and the JSON lines it prints.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "render/surface.h"
#include "sim/shell.h"

FrameTrace frame_trace;

void StartSimulator(uint32_t start_tick, int64_t wall_start_ms) {
    sim = SimWorld{};
    sim.tick = start_tick;
    sim.start_tick = start_tick;
    sim.wall_start_ms = wall_start_ms;
    game = GameState{};
    random_source = RandomSource{1};
    std::memset(entered_name, 0, sizeof entered_name);
    const bool tracing = frame_trace.enabled;
    frame_trace = FrameTrace{};
    frame_trace.enabled = tracing;
    LoadRankTable();
    CreateFrameSurface();
    StartFirstGame();
}

void CloseSimulator() {
    SaveRankTable();
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
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
    if (!frame_trace.enabled) {
        return;
    }
    TraceOp("{\"op\":\"repaint\"}");
    std::string line = "{\"event\":\"frame\",\"scene\":\"";
    line += SceneName(frame_trace.has_scene ? frame_trace.scene : game.scene);
    line += "\",\"tick\":" + std::to_string(sim.tick) + ",\"ops\":[" + frame_trace.ops + "]}";
    frame_trace.ops.clear();
    frame_trace.has_scene = false;
    EmitLine(line);
}
