// The drill screen: its frame and its picture.
#include <cstdio>
#include <cstring>

#include "core/drill.h"
#include "core/frontend.h"
#include "core/game_state.h"
#include "screens/faces.h"
#include "screens/screens.h"
#include "screens/text_ops.h"

void DrillFrame() {
    if (!OpenDrillFrame()) {
        return;
    }
    CopyStarField();
    RunDrillRules();
    // With the counters as the answer left them: the row is drawn where it
    // was before it moved, then steps toward rest.
    DrawDrillScreen();
    StepRowAnimations();
    RepaintWindow();
}

void DrawDrillScreen() {
    char line[64];

    // Cells 128 pixels apart: four digits show, the red pair second and third.
    // A slide draws the row up to 128 pixels to the right, a drop up to 128
    // pixels higher, moving 16 pixels a frame back to rest.
    ScreenFont font = SelectScreenFont(kFaceTimes, 140, 60);
    for (int32_t i = 0; i < kRowLength; ++i) {
        SetInk(i == 1 || i == 2 ? kRed : kWhite);
        std::snprintf(line, sizeof line, "%d", game.digits[i]);
        const int32_t left = 128 * i + 16 * game.slide_x - 88;
        const int32_t top = 100 - 16 * game.drop_y;
        DrawCentredLine({left, top, left + 60, top + 140}, line);
    }
    ReleaseScreenFont(font);

    font = SelectScreenFont(kFaceTimes, 60, 30);
    if (game.drill_elapsed_ms / 1000 < game.time_limit_s) {
        const uint32_t left_s = game.time_limit_s - game.drill_elapsed_ms / 1000;
        std::snprintf(line, sizeof line, "Time [ %02d'%02d\"]", static_cast<int>(left_s / 60),
                      static_cast<int>(left_s % 60));
    } else {
        std::snprintf(line, sizeof line, "   [Finish!!]");
    }
    DrawTextAt(50, 300, line, static_cast<int32_t>(std::strlen(line)));
    if (game.combo != 0) {
        std::snprintf(line, sizeof line, "Combo : %3d", game.combo);
        DrawTextAt(80, 30, line, static_cast<int32_t>(std::strlen(line)));
    } else if (game.miss != 0) {
        std::snprintf(line, sizeof line, "Miss : %3d", game.miss);
        DrawTextAt(90, 30, line, static_cast<int32_t>(std::strlen(line)));
    }
    ReleaseScreenFont(font);

    if (game.combo != 0) {
        font = SelectScreenFont(kFaceTimes, 32, 16);
        // Read afresh, after the frame's expiry test: the last frame of a combo
        // can show a little below zero.
        const auto left_ms = static_cast<int32_t>(game.combo_tick + kComboWindowMs - GetTick());
        std::snprintf(line, sizeof line, "ComboTime [%10d]", left_ms);
        DrawTextAt(100, 95, line, static_cast<int32_t>(std::strlen(line)));
        ReleaseScreenFont(font);
    }

    font = SelectScreenFont(kFaceTimes, 80, 50);
    std::snprintf(line, sizeof line, "Ans:%05d", game.ans);
    DrawCentredLine({0, 350, 512, 450}, line);
    ReleaseScreenFont(font);

    // The frame leaves the ink white for the next one.
    SetInk(kWhite);
}
