// The ending screen: its frame and its picture.
#include <cstddef>

#include "core/frontend.h"
#include "core/scenes.h"
#include "screens/faces.h"
#include "screens/screens.h"
#include "screens/text_ops.h"

namespace {

// "企画・開発　Ondaval", "技術協力　Mirraq", "技術協力　Zeltho"
constexpr const char kPlanning[] = "\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval";
constexpr const char kTechnicalA[] = "\x8b\x5a\x8f\x70\x8b\xa6\x97\xcd\x81\x40Mirraq";
constexpr const char kTechnicalB[] = "\x8b\x5a\x8f\x70\x8b\xa6\x97\xcd\x81\x40Zeltho";
constexpr const char kThanks[] = "Thank U 4 Playing!";
constexpr const char kPressReturn[] = "Press Return Key!";

template <std::size_t N>
constexpr int32_t Length(const char (&)[N]) {
    return static_cast<int32_t>(N - 1);
}

}  // namespace

void EndingFrame() {
    if (!OpenEndingFrame()) {
        return;
    }
    CopyStarField();
    DrawEndingScreen();
    TestEndingExit();
    RepaintWindow();
}

void DrawEndingScreen() {
    SetInk(kRed);
    ScreenFont font = SelectScreenFont(kFaceMincho, 50, 25);
    DrawCentredLine({0, 50, 512, 100}, "[Kobaru]");
    SetInk(kWhite);
    ReleaseScreenFont(font);

    font = SelectScreenFont(kFaceMincho, 50, 20);
    DrawTextAt(30, 250, kPlanning, Length(kPlanning));
    DrawTextAt(50, 320, kTechnicalA, Length(kTechnicalA));
    DrawTextAt(50, 370, kTechnicalB, Length(kTechnicalB));
    ReleaseScreenFont(font);

    font = SelectScreenFont(kFaceTimes, 50, 20);
    DrawTextAt(70, 150, kThanks, Length(kThanks));
    DrawTextAt(75, 440, kPressReturn, Length(kPressReturn));
    ReleaseScreenFont(font);
}
