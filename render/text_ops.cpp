// The frame operations a frontend on the portable surface supplies (the
// Linux game, the browser): CopyStarField of core/frontend.h and the text
// operations of screens/text_ops.h, drawn by render/surface.cpp.
#include "screens/text_ops.h"
#include "core/frontend.h"
#include "render/surface.h"

void CopyStarField() {
    PaintStarField();
}

void SetInk(Rgb colour) {
    SetSurfaceInk(colour);
}

ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width) {
    return SelectSurfaceFont(face, height, width);
}

void ReleaseScreenFont(ScreenFont font) {
    ReleaseSurfaceFont(font);
}

void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length) {
    DrawSurfaceText(x, y, text, length);
}

void DrawCentredLine(const Rect& rect, const char* text) {
    DrawSurfaceCentredLine(rect, text);
}
