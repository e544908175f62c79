// The title screen: its frame and its picture.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "core/scenes.h"
#include "screens/faces.h"
#include "screens/screens.h"
#include "screens/text_ops.h"

namespace {

// "～　SPI（クレベリン検査）を倒すために　～"
constexpr const char* kTagline =
    "\x81\x60\x81\x40SPI\x81\x69\x83\x4e\x83\x8c\x83\x78\x83\x8a\x83\x93\x8c\x9f\x8d\xb8\x81\x6a"
    "\x82\xf0\x93\x7c\x82\xb7\x82\xbd\x82\xdf\x82\xc9\x81\x40\x81\x60";
constexpr const char* kPrompt = "Press Return(Enter) Key";
constexpr double kDegreesToRadians = 3.14159 / 180.0;

}  // namespace

void TitleFrame() {
    if (!OpenTitleFrame()) {
        return;
    }
    CopyStarField();
    // The wave moves by drawn frames, not by time, and is never reduced
    // modulo 360.
    game.wave_phase = WrappingAdd(game.wave_phase, 7);
    DrawTitleScreen();
    TestTitleStart();
    RepaintWindow();
}

int32_t WaveY(int32_t wave_phase, int32_t i) {
    const int32_t angle = WrappingSub(wave_phase, WrappingMul(30, i));
    return static_cast<int32_t>(std::sin(angle * kDegreesToRadians) * 10.0 + 350.0);
}

void DrawTitleScreen() {
    // "TopPlayer:" and a name of up to 256 bytes (a damaged field has no NUL).
    char line[300];
    SetInk(kWhite);

    ScreenFont font = SelectScreenFont(kFaceMincho, 80, 30);
    DrawCentredLine({0, 100, 512, 200}, "Kobaru");
    ReleaseScreenFont(font);

    font = SelectScreenFont(kFaceMincho, 16, 8);
    DrawCentredLine({0, 200, 512, 240}, kTagline);
    ReleaseScreenFont(font);

    font = SelectScreenFont(kFaceGothic, 16, 8);
    const char* best = rank_table.player_names[0];
    std::snprintf(line, sizeof line, "TopPlayer:%20.*s", static_cast<int>(NameLength(best)), best);
    DrawTextAt(120, 270, line, static_cast<int32_t>(std::strlen(line)));
    std::snprintf(line, sizeof line, "TopPoint :%20d", rank_table.points[0]);
    DrawTextAt(120, 290, line, static_cast<int32_t>(std::strlen(line)));
    ReleaseScreenFont(font);

    // One byte per call at a fixed pitch, each glyph 30 degrees behind its
    // left neighbour, so the wave travels to the right.
    font = SelectScreenFont(kFaceGothic, 50, 20);
    std::snprintf(line, sizeof line, "%s", kPrompt);
    for (int32_t i = 0; i < 256 && line[i] != '\0'; ++i) {
        DrawTextAt(30 + 20 * i, WaveY(game.wave_phase, i), &line[i], 1);
    }
    ReleaseScreenFont(font);

    font = SelectScreenFont(kFaceTimes, 50, 20);
    std::snprintf(line, sizeof line, "Play Number : %06d", rank_table.play_number);
    DrawCentredLine({0, 420, 512, 470}, line);
    ReleaseScreenFont(font);
}
