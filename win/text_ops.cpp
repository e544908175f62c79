// The screens' text operations on GDI, drawing into the frame surface's memory
// DC. The surface is an 8-bit DIB section, on which GDI writes each glyph in
// the palette entry nearest to the text colour and never smooths it.
#include <cstring>
#include <string>

#include "screens/text_ops.h"
#include "win/shell.h"
#include "win/wide_text.h"

void SetInk(Rgb colour) {
    SetTextColor(FrameDC(), RGB(colour.red, colour.green, colour.blue));
    SetBkMode(FrameDC(), TRANSPARENT);
}

ScreenFont SelectScreenFont(const char* face, int32_t height, int32_t width) {
    const std::wstring wide_face = WideFromCp932(face, std::strlen(face));
    HFONT font = CreateFontW(height, width, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, wide_face.c_str());
    HGDIOBJ replaced = SelectObject(FrameDC(), font);
    return {font, replaced};
}

void ReleaseScreenFont(ScreenFont font) {
    // Never delete a font while it is still selected.
    SelectObject(FrameDC(), static_cast<HGDIOBJ>(font.replaced));
    DeleteObject(static_cast<HGDIOBJ>(font.created));
}

void DrawTextAt(int32_t x, int32_t y, const char* text, int32_t length) {
    const std::wstring wide =
        WideFromCp932(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    TextOutW(FrameDC(), x, y, wide.data(), static_cast<int>(wide.size()));
}

void DrawCentredLine(const Rect& rect, const char* text) {
    const std::wstring wide = WideFromCp932(text, std::strlen(text));
    RECT box{rect.left, rect.top, rect.right, rect.bottom};
    DrawTextW(FrameDC(), wide.data(), static_cast<int>(wide.size()), &box,
              DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}
