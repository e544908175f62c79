// The one record of the running game and the star field each game is drawn
// over.
#pragma once

#include <cstddef>
#include <cstdint>

enum class Scene : int32_t { Title = 0, Drill = 1, Result = 2, Ending = 3 };

constexpr int kRowLength = 20;
constexpr int kSurfaceSize = 512;
constexpr std::size_t kStarFieldBytes = std::size_t{kSurfaceSize} * kSurfaceSize;

// Every field is 32 bits wide; ticks are unsigned milliseconds of the uptime
// counter and are only ever compared as differences, so the wrap after 49.7
// days changes nothing.
struct GameState {
    Scene scene;
    int32_t digits[kRowLength];
    int32_t ans;
    int32_t combo;
    int32_t miss;
    int32_t combo_live;
    int32_t miss_live;
    uint32_t combo_tick;
    int32_t slide_x;
    int32_t drop_y;
    uint32_t time_limit_s;
    uint32_t drill_start_tick;
    uint32_t drill_elapsed_ms;
    int32_t final_ans;
    int32_t wave_phase;
    uint32_t title_start_tick;
    uint32_t ending_start_tick;
    // The frame gates' ticks survive ResetGame, so a scene's first frame of a
    // later game always draws.
    uint32_t title_last_frame_tick;
    uint32_t drill_last_frame_tick;
    uint32_t ending_last_frame_tick;
};

extern GameState game;

// The current game's background, one palette index per pixel in the bottom-up
// row order of the frame surface. It points at storage of kStarFieldBytes that
// the core owns; a frontend that keeps the field inside its own surface block
// may point it there before the first ResetGame.
extern uint8_t* star_field;

// The name the last name prompt returned; it lives for the whole run.
extern char entered_name[256];

// Elapsed milliseconds since a stored tick, modulo 2^32.
inline uint32_t TicksSince(uint32_t now, uint32_t then) {
    return now - then;
}

// Two's-complement 32-bit addition without signed overflow.
inline int32_t WrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrappingSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrappingMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
