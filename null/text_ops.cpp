// The null frontend's frame operations, recorded with their exact bytes
// instead of drawn. A driver that wants pictures links the portable
// surface's (render/text_ops.cpp) instead.
#include "screens/text_ops.h"
#include "core/frontend.h"
#include "null/shell.h"

void CopyStarField() {
    Record("stars");
}

void SetInk(Rgb colour) {
    Record("ink", colour.red, colour.green, colour.blue);
}

ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width) {
    ++fake.open_fonts;
    Record("font", height, width, 0, 0, face);
    return {};
}

void ReleaseScreenFont(ScreenFont) {
    --fake.open_fonts;
    Record("release");
}

void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length) {
    Record("text", x, y, 0, 0, std::string(text, static_cast<std::size_t>(length)));
}

void DrawCentredLine(const Rect& rect, const char* text) {
    Record("centred", rect.left, rect.top, rect.right, rect.bottom, text);
}
