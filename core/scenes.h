// The rules of the scene cycle: the reset between games, the frame gate, the
// entry ticks and the transitions of the title and the ending, and the result
// step. The drill's rules are in core/drill.h; the frames that put them in
// order around the drawing are screens/'s.
#pragma once

#include <cstdint>

// Start-up after the rank table is loaded and the palette drawn: stores the
// tick for the drill's gate and deals the first game.
void StartFirstGame();

void ResetGame();

// A frame is drawn only when strictly more than 10 ms have passed since the
// scene's last drawn frame. The tick is read twice: once for the test and
// once more for the stored value, as the original does.
bool PassFrameGate(uint32_t& last_frame_tick);

// What the title does on every call before it draws: takes its entry tick
// if it has none, then applies its frame gate. True for a frame to draw.
bool OpenTitleFrame();

// Title to drill: more than 500 ms since the entry tick and Return down.
void TestTitleStart();

// The ending's entry tick and frame gate, as for the title.
bool OpenEndingFrame();

// Ending to title: Return down after more than 500 ms, or more than 5000 ms
// without it. Counts the game, saves the ranking and deals the next game.
void TestEndingExit();

// Once per game, between the drill and the ending: the name prompt for a
// qualifying score, the insertion, the ranking display.
void ResultStep();
