// The headless driver's scripted world: a clock that moves only when the
// script says so, a keyboard of held keys, and a queue of names for the name
// prompt.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "core/game_state.h"

struct SimWorld {
    uint32_t tick = 1000;
    bool keys_down[256] = {};
    std::deque<std::string> queued_names;  // code page 932, at most 255 bytes each
};

extern SimWorld sim;

// The simulator's own output could not be written (standard output closed,
// a broken pipe, a full disk); errno's value at the failure.
struct OutputError {
    int error;
};

// Everything as at the start of a fresh process, then the game's start-up:
// the rank table, the surface and palette, the first game at start_tick.
void StartSimulator(uint32_t start_tick);

// Appends s to out as a JSON string literal (s is UTF-8).
void AppendJsonString(std::string& out, const std::string& s);

// Writes one line to standard output and flushes it, so a program driving the
// simulator over a pipe sees every event as it happens. Throws OutputError.
void EmitLine(const std::string& line);

// The scene's name as the printed state and the frame trace give it.
const char* SceneName(Scene scene);
