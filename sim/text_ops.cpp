// The simulator's frame operations: the portable surface's, each recorded in
// the frame trace when one is asked for.
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "render/surface.h"
#include "screens/text_ops.h"
#include "sim/shell.h"
#include "text/cp932.h"

namespace {

// Texts and face names are traced as a reader reads them, in UTF-8.
void AppendText(std::string& op, const char* text, std::size_t length) {
    AppendJsonString(op, Cp932ToUtf8(text, length));
}

}  // namespace

void TraceOp(std::string_view op_json) {
    if (!frame_trace.ops.empty()) {
        frame_trace.ops += ',';
    }
    frame_trace.ops += op_json;
}

void CopyStarField() {
    PaintStarField();
    if (frame_trace.enabled) {
        frame_trace.has_scene = true;
        frame_trace.scene = game.scene;
        TraceOp("{\"op\":\"stars\"}");
    }
}

void SetInk(Rgb colour) {
    SetSurfaceInk(colour);
    if (frame_trace.enabled) {
        TraceOp("{\"op\":\"ink\",\"rgb\":[" + std::to_string(colour.red) + "," +
                std::to_string(colour.green) + "," + std::to_string(colour.blue) + "]}");
    }
}

ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width) {
    const ScreenFont font = SelectSurfaceFont(face, height, width);
    if (frame_trace.enabled) {
        std::string op = "{\"op\":\"font\",\"face\":";
        AppendText(op, face, std::strlen(face));
        op += ",\"height\":" + std::to_string(height) + ",\"width\":" + std::to_string(width) + "}";
        TraceOp(op);
    }
    return font;
}

void ReleaseScreenFont(ScreenFont font) {
    ReleaseSurfaceFont(font);
    if (frame_trace.enabled) {
        TraceOp("{\"op\":\"release\"}");
    }
}

void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length) {
    DrawSurfaceText(x, y, text, length);
    if (frame_trace.enabled) {
        std::string op = "{\"op\":\"text\",\"x\":" + std::to_string(x) +
                         ",\"y\":" + std::to_string(y) + ",\"text\":";
        AppendText(op, text, length > 0 ? static_cast<std::size_t>(length) : 0);
        op += '}';
        TraceOp(op);
    }
}

void DrawCentredLine(const Rect& rect, const char* text) {
    DrawSurfaceCentredLine(rect, text);
    if (frame_trace.enabled) {
        std::string op = "{\"op\":\"centred\",\"rect\":[" + std::to_string(rect.left) + "," +
                         std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
                         std::to_string(rect.bottom) + "],\"text\":";
        AppendText(op, text, std::strlen(text));
        op += '}';
        TraceOp(op);
    }
}
