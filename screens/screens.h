// The frames of the title, drill and ending screens: the order a drawn frame
// takes around the scene's rules (core/), and the pictures themselves, drawn
// only through the text operations (screens/text_ops.h).
#pragma once

#include <cstdint>

// One pass of the game: the title, drill, result and ending in this order,
// the scene read afresh before each, so a move to a later scene runs that
// scene in the same pass.
void RunFrame();

// What a loop remembers of its last RunFrame call.
struct LastFrameCall {
    bool made = false;
    uint32_t tick = 0;         // read just before the call
    bool moved_scene = false;  // the call left another scene than it found
};

// Calls RunFrame unless the call could do nothing, and says whether it did.
// A call can do nothing when the previous one was made at this same tick and
// left the scene unchanged: every frame gate refuses at an unchanged tick,
// the coarse clock does not move and keys are read only in drawn frames. A
// new tick, or a scene changed by the previous call (the title's first frame
// after the ending), always runs at once, so the game behaves exactly as
// with a loop that spins.
bool RunFrameUnlessIdle(LastFrameCall& last);

// Each: the scene's rules before its gate, and for a drawn frame the star
// field, the rules, the picture and the repaint.
void TitleFrame();
void DrillFrame();
void EndingFrame();

// The texts of each screen, as the frame functions draw them.
void DrawTitleScreen();
void DrawDrillScreen();
void DrawEndingScreen();

// The title's wave: the y of glyph i for a phase, from the degrees-to-radians
// factor the game has always used (3.14159 / 180, not pi / 180), truncated.
int32_t WaveY(int32_t wave_phase, int32_t i);
