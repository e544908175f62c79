// A scripted stand-in for the program around the core: a clock the test
// moves, keys the test holds, and a record of what the core asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FakeFrontend {
    uint32_t tick = 0;
    // Added to the clock after every reading, to tell apart the readings a
    // function takes.
    uint32_t tick_step_per_read = 0;
    bool keys[256] = {};
    std::vector<uint8_t> key_queries;
    int star_copies = 0;
    int title_draws = 0;
    int drill_draws = 0;
    int ending_draws = 0;
    int repaints = 0;
    int name_prompts = 0;
    int rankings = 0;
    std::string name_to_enter;
    // Every call the core makes, in order: "stars", "title", "drill", ...
    std::vector<std::string> calls;
};

extern FakeFrontend fake;

// Clears the fake, the game state, the rank table (to the defaults) and the
// random source (to its start state), as at a fresh program start.
void ResetWorld();
