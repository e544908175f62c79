#include "sdl/dialog_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const DialogColour kDialogPalette[kDialogInks] = {
    {212, 208, 200},  // face
    {0, 0, 0},        // text
    {255, 255, 255},  // window, highlight
    {128, 128, 128},  // shadow
    {64, 64, 64},     // dark shadow
};

namespace {

// "ＭＳ Ｐゴシック", 9 point: 12 pixels at 96 dots per inch.
constexpr const char* kControlsFace =
    "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
constexpr int32_t kControlsHeight = 12;
constexpr const char* kSystemFace = "System";
constexpr int32_t kSystemHeight = 16;

constexpr const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Blank space between the edit field's sunken edge and its text.
constexpr int32_t kEditMargin = 1;

void FillRect(const Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
              uint8_t ink) {
    const int32_t left = x < 0 ? 0 : x;
    const int32_t top = y < 0 ? 0 : y;
    const int32_t right = x + width > canvas.width ? canvas.width : x + width;
    const int32_t bottom = y + height > canvas.height ? canvas.height : y + height;
    for (int32_t row = top; row < bottom; ++row) {
        const int32_t stored = canvas.bottom_up ? canvas.height - 1 - row : row;
        uint8_t* line = canvas.pixels + static_cast<std::ptrdiff_t>(stored) * canvas.stride;
        for (int32_t column = left; column < right; ++column) {
            line[column] = ink;
        }
    }
}

void SetPixel(const Canvas& canvas, int32_t x, int32_t y, uint8_t ink) {
    FillRect(canvas, x, y, 1, 1, ink);
}

// A 1-pixel frame whose top and left edges take one ink and whose bottom and
// right edges take another: the building block of every 3-D edge.
void Edge(const Canvas& canvas, const PixelRect& r, uint8_t top_left, uint8_t bottom_right) {
    FillRect(canvas, r.x, r.y, r.width - 1, 1, top_left);
    FillRect(canvas, r.x, r.y, 1, r.height - 1, top_left);
    FillRect(canvas, r.x, r.y + r.height - 1, r.width, 1, bottom_right);
    FillRect(canvas, r.x + r.width - 1, r.y, 1, r.height, bottom_right);
}

PixelRect Inset(const PixelRect& r, int32_t by) {
    return {r.x + by, r.y + by, r.width - 2 * by, r.height - 2 * by};
}

void DottedFrame(const Canvas& canvas, const PixelRect& r) {
    for (int32_t x = r.x; x < r.x + r.width; ++x) {
        if ((x - r.x) % 2 == 0) {
            SetPixel(canvas, x, r.y, kInkText);
        }
        if ((x - r.x + r.height - 1) % 2 == 0) {
            SetPixel(canvas, x, r.y + r.height - 1, kInkText);
        }
    }
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        if ((y - r.y) % 2 == 0) {
            SetPixel(canvas, r.x, y, kInkText);
        }
        if ((y - r.y + r.width - 1) % 2 == 0) {
            SetPixel(canvas, r.x + r.width - 1, y, kInkText);
        }
    }
}

ClipRect WholeCanvas(const Canvas& canvas) {
    return {0, 0, canvas.width, canvas.height};
}

// A default push button: the black frame that marks the default, the raised
// edge (or the flat shadow while it is held down), its label centred.
void DrawDefaultButton(const Canvas& canvas, const DialogFonts& fonts, const PixelRect& r,
                       const char* label, bool pressed, bool focused) {
    FillRect(canvas, r.x, r.y, r.width, r.height, kInkFace);
    Edge(canvas, r, kInkText, kInkText);
    const PixelRect inner = Inset(r, 1);
    if (pressed) {
        Edge(canvas, inner, kInkShadow, kInkShadow);
    } else {
        Edge(canvas, inner, kInkWindow, kInkDarkShadow);
        Edge(canvas, Inset(inner, 1), kInkFace, kInkShadow);
    }
    const auto length = std::strlen(label);
    const int32_t shift = pressed ? 1 : 0;
    const int32_t x = r.x + (r.width - TextWidth(fonts.controls, label, length)) / 2 + shift;
    const int32_t y = r.y + (r.height - CellHeight(fonts.controls)) / 2 + shift;
    const ClipRect clip{inner.x + 1, inner.y + 1, inner.x + inner.width - 1,
                        inner.y + inner.height - 1};
    DrawString(canvas, fonts.controls, x, y, label, length, kInkText, clip);
    if (focused) {
        DottedFrame(canvas, Inset(r, 4));
    }
}

std::string DisplayedName(const NameField& field, const NameDialogView& view) {
    std::string shown = field.text;
    shown.insert(field.caret, view.composition);
    return shown;
}

}  // namespace

bool Contains(const PixelRect& rect, int32_t x, int32_t y) {
    return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

DialogFonts OpenDialogFonts() {
    DialogFonts fonts{};
    fonts.controls = OpenRenderFont(kControlsFace, kControlsHeight, 0, 400);
    fonts.system = OpenRenderFont(kSystemFace, kSystemHeight, 0, 700);
    fonts.units = BaseUnitsFromFont(TextWidth(fonts.controls, kLetters, sizeof kLetters - 1),
                                    CellHeight(fonts.controls));
    return fonts;
}

NameDialogLayout LayOutNameDialog(const DialogFonts& fonts) {
    NameDialogLayout layout{};
    const PixelRect client = DialogRectToPixels(fonts.units, 0, 0, 119, 77);
    layout.width = client.width;
    layout.height = client.height;
    layout.edit = DialogRectToPixels(fonts.units, 13, 23, 93, 14);
    layout.ok = DialogRectToPixels(fonts.units, 35, 56, 50, 14);
    // Inside the 2-pixel sunken edge.
    const PixelRect inside = Inset(layout.edit, 2);
    layout.text_area = {inside.x + kEditMargin, inside.y, inside.x + inside.width - kEditMargin,
                        inside.y + inside.height};
    layout.text_x = layout.text_area.left;
    layout.text_y = inside.y + (inside.height - CellHeight(fonts.controls)) / 2;
    return layout;
}

RankingDialogLayout LayOutRankingDialog(const DialogFonts& fonts) {
    RankingDialogLayout layout{};
    const PixelRect client = DialogRectToPixels(fonts.units, 0, 0, 187, 155);
    layout.width = client.width;
    layout.height = client.height;
    layout.ok = DialogRectToPixels(fonts.units, 65, 125, 50, 14);
    layout.rank_heading = DialogRectToPixels(fonts.units, 10, 12, 20, 12);
    layout.name_heading = DialogRectToPixels(fonts.units, 90, 12, 36, 8);
    layout.point_heading = DialogRectToPixels(fonts.units, 51, 12, 16, 8);
    return layout;
}

int32_t NameCaretX(const DialogFonts& fonts, const NameField& field, const NameDialogView& view) {
    return TextWidth(fonts.controls, field.text.data(), field.caret) +
           TextWidth(fonts.controls, view.composition.data(), view.composition_cursor);
}

int32_t NameTextWidth(const DialogFonts& fonts, const NameField& field,
                      const NameDialogView& view) {
    const std::string shown = DisplayedName(field, view);
    return TextWidth(fonts.controls, shown.data(), shown.size());
}

void KeepNameCaretVisible(const DialogFonts& fonts, const NameDialogLayout& layout,
                          NameField& field, const NameDialogView& view) {
    field.scroll_x = ScrollToShow(field.scroll_x, NameCaretX(fonts, field, view),
                                  NameTextWidth(fonts, field, view),
                                  layout.text_area.right - layout.text_area.left);
}

std::size_t NameCaretForClick(const DialogFonts& fonts, const NameDialogLayout& layout,
                              const NameField& field, int32_t x) {
    const int32_t wanted = x - layout.text_x + field.scroll_x;
    std::size_t best = 0;
    int32_t best_distance = -1;
    std::size_t at = 0;
    while (true) {
        const int32_t distance =
            std::abs(TextWidth(fonts.controls, field.text.data(), at) - wanted);
        if (best_distance < 0 || distance < best_distance) {
            best = at;
            best_distance = distance;
        }
        if (at >= field.text.size()) {
            return best;
        }
        at = NextBoundary(field.text, at);
    }
}

void DrawNameDialog(const Canvas& canvas, const DialogFonts& fonts, const NameDialogLayout& layout,
                    const NameField& field, const NameDialogView& view) {
    FillRect(canvas, 0, 0, canvas.width, canvas.height, kInkFace);

    const PixelRect& edit = layout.edit;
    Edge(canvas, edit, kInkShadow, kInkWindow);
    Edge(canvas, Inset(edit, 1), kInkDarkShadow, kInkFace);
    const PixelRect inside = Inset(edit, 2);
    FillRect(canvas, inside.x, inside.y, inside.width, inside.height, kInkWindow);

    const std::string shown = DisplayedName(field, view);
    const int32_t origin = layout.text_x - field.scroll_x;
    DrawString(canvas, fonts.controls, origin, layout.text_y, shown.data(), shown.size(), kInkText,
               layout.text_area);

    const int32_t cell = CellHeight(fonts.controls);
    const ClipRect& area = layout.text_area;
    if (!view.composition.empty()) {
        // The composition is underlined, as input methods mark text that is
        // not yet committed.
        const int32_t from = origin + TextWidth(fonts.controls, field.text.data(), field.caret);
        const int32_t to =
            from + TextWidth(fonts.controls, view.composition.data(), view.composition.size());
        for (int32_t x = from; x < to; ++x) {
            if (x >= area.left && x < area.right) {
                SetPixel(canvas, x, layout.text_y + cell - 1, kInkText);
            }
        }
    }
    if (view.focus == NameFocus::Edit && view.caret_on) {
        const int32_t x = origin + NameCaretX(fonts, field, view);
        if (x >= area.left && x < area.right) {
            FillRect(canvas, x, layout.text_y, 1, cell, kInkText);
        }
    }

    DrawDefaultButton(canvas, fonts, layout.ok, "OK", view.ok_pressed, view.focus == NameFocus::Ok);
}

void DrawRankingDialog(const Canvas& canvas, const DialogFonts& fonts,
                       const RankingDialogLayout& layout, const RankTable& table, bool ok_pressed) {
    FillRect(canvas, 0, 0, canvas.width, canvas.height, kInkFace);

    const struct {
        const PixelRect& rect;
        const char* text;
    } headings[] = {{layout.rank_heading, "Rank"},
                    {layout.name_heading, "PlayerName"},
                    {layout.point_heading, "Point"}};
    for (const auto& heading : headings) {
        const PixelRect& r = heading.rect;
        DrawString(canvas, fonts.controls, r.x, r.y, heading.text, std::strlen(heading.text),
                   kInkText, {r.x, r.y, r.x + r.width, r.y + r.height});
    }

    DrawDefaultButton(canvas, fonts, layout.ok, "OK", ok_pressed, true);

    // Room for the longest possible score, "-2147483648".
    char line[40];
    for (int i = 0; i < kRankRows; ++i) {
        const int32_t y = 50 + 22 * i;
        std::snprintf(line, sizeof line, "No. %d  %09d", i + 1, table.points[i]);
        DrawString(canvas, fonts.system, 14, y, line, std::strlen(line), kInkText,
                   WholeCanvas(canvas));
        const char* name = table.player_names[i];
        DrawString(canvas, fonts.system, 150, y, name, NameLength(name), kInkText,
                   WholeCanvas(canvas));
    }
}
