// The null frontend: the game with no window, driven by a program of its own
// (the C++ tests, the fuzzers, the benchmarks, kobaru-null): a clock the
// driver moves, keys it holds, a name to type, and a record, in order, of all
// the game asked (text_ops.cpp adds the frame operations). Being the smallest
// frontend, it is the one to copy to start a port (HACKING.md).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/rank_table.h"

struct Call {
    std::string kind;  // stars, repaint, name, ranking; ink, font, release, text, centred
    int32_t a = 0, b = 0, c = 0, d = 0;  // rgb / height, width / x, y / the rectangle
    std::string text;                    // text bytes as drawn, or the face
};

struct NullFrontend {
    uint32_t tick = 0;
    int64_t wall_ms = 0;  // the wall clock, ms since 1970
    // Added to the clock after every reading, to tell apart the readings a
    // function takes.
    uint32_t tick_step_per_read = 0;
    bool keys[256] = {};
    std::vector<uint8_t> key_queries;
    std::string name_to_enter;
    // What another copy of the game does while the name prompt is open.
    std::function<void()> while_prompting;
    RankTable shown_ranking{};  // the table as the ranking display last showed it
    std::vector<Call> calls;
    int open_fonts = 0;  // selected and not yet released
};

extern NullFrontend fake;

void Record(const char* kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0,
            std::string text = {});

// A fresh program: the fake, the game state, the default rank table (kept in
// a file of this process's own), the random source at its start state.
void ResetWorld();

int CountCalls(const char* kind);
std::vector<Call> CallsOf(const char* kind);  // in order
