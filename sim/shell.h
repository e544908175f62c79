// The headless driver's world: a clock that moves only when the script says
// so, a keyboard of held keys, a queue of names for the name prompt, and the
// JSON lines it prints.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "core/game_state.h"

struct SimWorld {
    uint32_t tick = 1000;
    // The wall clock runs with the scripted one, from this time at the start tick.
    uint32_t start_tick = 1000;
    int64_t wall_start_ms = 0;
    bool keys_down[256] = {};
    std::deque<std::string> queued_names;  // code page 932, at most 255 bytes each
};

extern SimWorld sim;

// The frame trace (--trace): every operation of a drawn frame, printed as one
// line when the frame is repainted.
struct FrameTrace {
    bool enabled = false;
    // The scene whose frame function copied the star field: a title frame
    // that accepts Return has already moved on to the drill when it repaints.
    bool has_scene = false;
    Scene scene = Scene::Title;
    std::string ops;  // the frame's operations so far, comma-separated JSON objects
};

extern FrameTrace frame_trace;

// Adds one operation, already written as a JSON object, to the frame's trace.
void TraceOp(std::string_view op_json);

// The simulator's own output could not be written (standard output closed,
// a broken pipe, a full disk); errno's value at the failure.
struct OutputError {
    int error;
};

// Everything as at the start of a fresh process, then the game's start-up:
// the rank table, the surface and palette, the first game at start_tick,
// when the wall clock shows wall_start_ms.
void StartSimulator(uint32_t start_tick, int64_t wall_start_ms = 0);

// The window closed, as script's close says: the session ends and the
// ranking is saved.
void CloseSimulator();

// Appends text (UTF-8) to out as a JSON string literal.
void AppendJsonString(std::string& out, std::string_view text);

// Writes one line to standard output and flushes it, so a program driving the
// simulator over a pipe sees every event as it happens. Throws OutputError.
void EmitLine(const std::string& line);

// The scene's name as the printed state and the frame trace give it.
const char* SceneName(Scene scene);
