// The result dialogs drawn as the classic Windows dialogs look, into an 8-bit canvas.
#include "dialogs/pictures.h"

#include <cstdlib>
#include <cstring>

#include "dialogs/templates.h"
#include "text/cp932.h"

const Rgb kDialogPalette[kDialogInks] = {
    {212, 208, 200},  // face
    {0, 0, 0},        // text
    {255, 255, 255},  // window, highlight
    {128, 128, 128},  // shadow
    {64, 64, 64},     // dark shadow
};

namespace {

// 9 point is 12 pixels at 96 dots per inch, and a point size gives the
// character height (the em), not the cell: a negative height, as in CreateFont.
constexpr int32_t kControlsHeight = -12;
constexpr const char* kSystemFace = "System";
constexpr int32_t kSystemHeight = 16;

constexpr const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Blank space between the edit field's sunken edge and its text.
constexpr int32_t kEditMargin = 1;

void FillRect(const Canvas& canvas, const Rect& r, uint8_t ink) {
    const int32_t left = r.left < 0 ? 0 : r.left;
    const int32_t top = r.top < 0 ? 0 : r.top;
    const int32_t right = r.right > canvas.width ? canvas.width : r.right;
    const int32_t bottom = r.bottom > canvas.height ? canvas.height : r.bottom;
    for (int32_t row = top; row < bottom; ++row) {
        const int32_t stored = canvas.bottom_up ? canvas.height - 1 - row : row;
        uint8_t* line = canvas.pixels + static_cast<std::ptrdiff_t>(stored) * canvas.stride;
        for (int32_t column = left; column < right; ++column) {
            line[column] = ink;
        }
    }
}

void SetPixel(const Canvas& canvas, int32_t x, int32_t y, uint8_t ink) {
    FillRect(canvas, {x, y, x + 1, y + 1}, ink);
}

// A 1-pixel frame whose top and left edges take one ink and whose bottom and
// right edges take another: the building block of every 3-D edge.
void Edge(const Canvas& canvas, const Rect& r, uint8_t top_left, uint8_t bottom_right) {
    FillRect(canvas, {r.left, r.top, r.right - 1, r.top + 1}, top_left);
    FillRect(canvas, {r.left, r.top, r.left + 1, r.bottom - 1}, top_left);
    FillRect(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
    FillRect(canvas, {r.right - 1, r.top, r.right, r.bottom}, bottom_right);
}

Rect Inset(const Rect& r, int32_t by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void DottedFrame(const Canvas& canvas, const Rect& r) {
    const int32_t width = r.right - r.left;
    const int32_t height = r.bottom - r.top;
    for (int32_t x = r.left; x < r.right; ++x) {
        if ((x - r.left) % 2 == 0) {
            SetPixel(canvas, x, r.top, kInkText);
        }
        if ((x - r.left + height - 1) % 2 == 0) {
            SetPixel(canvas, x, r.bottom - 1, kInkText);
        }
    }
    for (int32_t y = r.top; y < r.bottom; ++y) {
        if ((y - r.top) % 2 == 0) {
            SetPixel(canvas, r.left, y, kInkText);
        }
        if ((y - r.top + width - 1) % 2 == 0) {
            SetPixel(canvas, r.right - 1, y, kInkText);
        }
    }
}

Rect WholeCanvas(const Canvas& canvas) {
    return {0, 0, canvas.width, canvas.height};
}

// A default push button: the black frame that marks the default, the raised
// edge (or the flat shadow while it is held down), its label centred.
void DrawDefaultButton(const Canvas& canvas, const DialogFonts& fonts, const Rect& r,
                       const char* label, bool pressed, bool focused) {
    FillRect(canvas, r, kInkFace);
    Edge(canvas, r, kInkText, kInkText);
    const Rect inner = Inset(r, 1);
    if (pressed) {
        Edge(canvas, inner, kInkShadow, kInkShadow);
    } else {
        Edge(canvas, inner, kInkWindow, kInkDarkShadow);
        Edge(canvas, Inset(inner, 1), kInkFace, kInkShadow);
    }
    const auto length = std::strlen(label);
    const int32_t shift = pressed ? 1 : 0;
    const int32_t x =
        r.left + (r.right - r.left - TextWidth(fonts.controls, label, length)) / 2 + shift;
    const int32_t y = r.top + (r.bottom - r.top - CellHeight(fonts.controls)) / 2 + shift;
    DrawString(canvas, fonts.controls, x, y, label, length, kInkText, Inset(inner, 1));
    if (focused) {
        DottedFrame(canvas, Inset(r, 4));
    }
}

std::string DisplayedName(const NameField& field, const NameDialogView& view) {
    std::string shown = field.text;
    shown.insert(field.caret, view.composition);
    return shown;
}

int32_t NameTextWidth(const DialogFonts& fonts, const NameField& field,
                      const NameDialogView& view) {
    const std::string shown = DisplayedName(field, view);
    return TextWidth(fonts.controls, shown.data(), shown.size());
}

// What both dialogs have: the client area's size and OK.
template <typename Layout>
void LayOutFrame(const DialogFonts& fonts, const UnitRect& box, const UnitRect& ok,
                 Layout& layout) {
    const Rect client = DialogRectToPixels(fonts.units, box);
    layout.width = client.right;
    layout.height = client.bottom;
    layout.ok = DialogRectToPixels(fonts.units, ok);
}

}  // namespace

bool Contains(const Rect& rect, int32_t x, int32_t y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

DialogFonts OpenDialogFonts() {
    DialogFonts fonts{};
    fonts.controls = OpenRenderFont(kDialogFace, kControlsHeight, 0, 400);
    fonts.system = OpenRenderFont(kSystemFace, kSystemHeight, 0, 700);
    fonts.units = BaseUnitsFromFont(TextWidth(fonts.controls, kLetters, sizeof kLetters - 1),
                                    CellHeight(fonts.controls));
    return fonts;
}

NameDialogLayout LayOutNameDialog(const DialogFonts& fonts) {
    NameDialogLayout layout{};
    LayOutFrame(fonts, kNameDialogBox, kNameOkBox, layout);
    layout.edit = DialogRectToPixels(fonts.units, kNameFieldBox);
    // Inside the 2-pixel sunken edge.
    const Rect inside = Inset(layout.edit, 2);
    layout.text_area = {inside.left + kEditMargin, inside.top, inside.right - kEditMargin,
                        inside.bottom};
    layout.text_x = layout.text_area.left;
    layout.text_y = inside.top + (inside.bottom - inside.top - CellHeight(fonts.controls)) / 2;
    return layout;
}

RankingDialogLayout LayOutRankingDialog(const DialogFonts& fonts) {
    RankingDialogLayout layout{};
    LayOutFrame(fonts, kRankingDialogBox, kRankingOkBox, layout);
    return layout;
}

void TakeComposition(NameDialogView& view, std::string_view utf8, std::size_t cursor) {
    view.composition = Utf8ToCp932Name(utf8, std::string::npos);
    const std::u32string characters = Utf8ToUtf32(utf8);
    std::string before;
    for (std::size_t i = 0; i < characters.size() && i < cursor; ++i) {
        if (!EncodeCp932(characters[i], before)) {
            before += '?';
        }
    }
    view.composition_cursor = before.size();
}

int32_t NameCaretX(const DialogFonts& fonts, const NameField& field, const NameDialogView& view) {
    return TextWidth(fonts.controls, field.text.data(), field.caret) +
           TextWidth(fonts.controls, view.composition.data(), view.composition_cursor);
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
    FillRect(canvas, WholeCanvas(canvas), kInkFace);

    const Rect& edit = layout.edit;
    Edge(canvas, edit, kInkShadow, kInkWindow);
    Edge(canvas, Inset(edit, 1), kInkDarkShadow, kInkFace);
    FillRect(canvas, Inset(edit, 2), kInkWindow);

    const std::string shown = DisplayedName(field, view);
    const int32_t origin = layout.text_x - field.scroll_x;
    DrawString(canvas, fonts.controls, origin, layout.text_y, shown.data(), shown.size(), kInkText,
               layout.text_area);

    const int32_t cell = CellHeight(fonts.controls);
    const Rect& area = layout.text_area;
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
            FillRect(canvas, {x, layout.text_y, x + 1, layout.text_y + cell}, kInkText);
        }
    }

    DrawDefaultButton(canvas, fonts, layout.ok, "OK", view.ok_pressed, view.focus == NameFocus::Ok);
}

void DrawRankingDialog(const Canvas& canvas, const DialogFonts& fonts,
                       const RankingDialogLayout& layout, const RankTable& table, bool ok_pressed) {
    FillRect(canvas, WholeCanvas(canvas), kInkFace);

    for (const Heading& heading : kRankingHeadings) {
        const Rect r = DialogRectToPixels(fonts.units, heading.box);
        DrawString(canvas, fonts.controls, r.left, r.top, heading.text, std::strlen(heading.text),
                   kInkText, r);
    }

    DrawDefaultButton(canvas, fonts, layout.ok, "OK", ok_pressed, true);

    for (int i = 0; i < kRankRows; ++i) {
        const std::string row = RankingRowText(i, table.points[i]);
        DrawString(canvas, fonts.system, kRankingScoreX, RankingRowY(i), row.data(), row.size(),
                   kInkText, WholeCanvas(canvas));
        const char* name = table.player_names[i];
        DrawString(canvas, fonts.system, kRankingNameX, RankingRowY(i), name, NameLength(name),
                   kInkText, WholeCanvas(canvas));
    }
}
