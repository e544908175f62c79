#include "render/surface_ops.h"

#include <cstdio>
#include <cstring>

#include "core/frontend.h"
#include "render/cp932.h"
#include "render/surface.h"
#include "render/text.h"
#include "screens/text_ops.h"

OpTrace op_trace;

namespace {

// The device context's default font, which stands selected between groups.
constexpr const char* kSystemFace = "System";

const RenderFont* selected_font = nullptr;

const RenderFont* CurrentFont() {
    if (!selected_font) {
        selected_font = OpenRenderFont(kSystemFace, 16, 0, 700);
    }
    return selected_font;
}

Canvas SurfaceCanvas() {
    return {frame_surface.pixels, kSurfaceSize, kSurfaceSize, kSurfaceSize, true};
}

void TraceText(std::string& out, const char* text, std::size_t length) {
    AppendJsonText(out, Cp932ToUtf8(text, length));
}

}  // namespace

void TraceOp(std::string_view op_json) {
    if (!op_trace.ops.empty()) {
        op_trace.ops += ',';
    }
    op_trace.ops += op_json;
}

void ClearOpTrace() {
    op_trace.ops.clear();
    op_trace.has_scene = false;
}

void AppendJsonText(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void CopyStarField() {
    std::memcpy(frame_surface.pixels, star_field, kStarFieldBytes);
    if (op_trace.enabled) {
        op_trace.has_scene = true;
        op_trace.scene = game.scene;
        TraceOp("{\"op\":\"stars\"}");
    }
}

void SetInk(Ink colour) {
    frame_surface.ink = NearestPaletteEntry(frame_surface.palette, colour);
    if (op_trace.enabled) {
        TraceOp("{\"op\":\"ink\",\"rgb\":[" + std::to_string(colour.red) + "," +
                std::to_string(colour.green) + "," + std::to_string(colour.blue) + "]}");
    }
}

ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width) {
    const RenderFont* created = OpenRenderFont(face, height, width, 700);
    ScreenFont font{const_cast<RenderFont*>(created), const_cast<RenderFont*>(selected_font)};
    selected_font = created;
    if (op_trace.enabled) {
        std::string op = "{\"op\":\"font\",\"face\":";
        TraceText(op, face, std::strlen(face));
        op += ",\"height\":" + std::to_string(height) + ",\"width\":" + std::to_string(width) + "}";
        TraceOp(op);
    }
    return font;
}

void ReleaseScreenFont(ScreenFont font) {
    // The created font stays in the renderer's cache; only the selection goes
    // back to what it replaced.
    selected_font = static_cast<const RenderFont*>(font.replaced);
    if (op_trace.enabled) {
        TraceOp("{\"op\":\"release\"}");
    }
}

void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length) {
    const std::size_t bytes = length > 0 ? static_cast<std::size_t>(length) : 0;
    DrawString(SurfaceCanvas(), CurrentFont(), x, y, text, bytes, frame_surface.ink,
               {0, 0, kSurfaceSize, kSurfaceSize});
    if (op_trace.enabled) {
        std::string op = "{\"op\":\"text\",\"x\":" + std::to_string(x) +
                         ",\"y\":" + std::to_string(y) + ",\"text\":";
        TraceText(op, text, bytes);
        op += '}';
        TraceOp(op);
    }
}

void DrawCentredLine(const TextRect& rect, const char* text) {
    const std::size_t length = std::strlen(text);
    const RenderFont* font = CurrentFont();
    const int32_t width = TextWidth(font, text, length, kTextPrefix);
    const int32_t x = (rect.left + rect.right - width) / 2;
    const int32_t y = (rect.top + rect.bottom - CellHeight(font)) / 2;
    DrawString(SurfaceCanvas(), font, x, y, text, length, frame_surface.ink,
               {rect.left, rect.top, rect.right, rect.bottom}, kTextPrefix);
    if (op_trace.enabled) {
        std::string op = "{\"op\":\"centred\",\"rect\":[" + std::to_string(rect.left) + "," +
                         std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
                         std::to_string(rect.bottom) + "],\"text\":";
        TraceText(op, text, length);
        op += '}';
        TraceOp(op);
    }
}
