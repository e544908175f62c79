#include "tests/screens/recording_ops.h"

#include <cstring>

#include "core/frontend.h"
#include "screens/text_ops.h"

Recorder recorder;

void ClearRecorder() {
    recorder = Recorder{};
}

void SetInk(Ink colour) {
    recorder.ops.push_back({"ink", colour.red, colour.green, colour.blue, 0, ""});
}

ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width) {
    ++recorder.open_fonts;
    if (recorder.open_fonts > recorder.max_open_fonts) {
        recorder.max_open_fonts = recorder.open_fonts;
    }
    recorder.ops.push_back({"font", height, width, 0, 0, face});
    static int fonts_made = 0;
    return {reinterpret_cast<void*>(static_cast<intptr_t>(++fonts_made)), nullptr};
}

void ReleaseScreenFont(ScreenFont) {
    --recorder.open_fonts;
    recorder.ops.push_back({"release", 0, 0, 0, 0, ""});
}

void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length) {
    recorder.ops.push_back({"text", x, y, 0, 0, std::string(text, static_cast<size_t>(length))});
}

void DrawCentredLine(const TextRect& rect, const char* text) {
    recorder.ops.push_back({"centred", rect.left, rect.top, rect.right, rect.bottom, text});
}

// The rest of the frontend, as far as the screens use it.
uint32_t GetTick() {
    return recorder.tick;
}
bool IsKeyDown(uint8_t) {
    return false;
}
void CopyStarField() {}
void RepaintWindow() {}
void PromptForName(char name[256]) {
    name[0] = '\0';
}
void ShowRanking() {}
