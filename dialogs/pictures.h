// The pictures of the two result dialogs, for a build without Windows
// dialogs: the layouts from the templates' dialog units, the controls in the
// classic 3-D style, the texts through the portable renderer, all drawn into
// an 8-bit canvas with the dialogs' own small palette. No window system here;
// a frontend's dialog windows only show the canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/palette.h"
#include "core/rank_table.h"
#include "dialogs/name_field.h"
#include "dialogs/units.h"
#include "render/text.h"

// The dialogs' palette entries.
enum DialogInk : uint8_t {
    kInkFace = 0,        // the dialog background, classic grey (212, 208, 200)
    kInkText = 1,        // black
    kInkWindow = 2,      // white: the edit field and highlights
    kInkShadow = 3,      // (128, 128, 128)
    kInkDarkShadow = 4,  // (64, 64, 64)
    kDialogInks = 5,
};

extern const Rgb kDialogPalette[kDialogInks];

struct DialogFonts {
    const RenderFont* controls;  // the templates' font, 9 point at 96 DPI
    const RenderFont* system;    // the window system's default font: the ranking rows
    DialogUnits units;
};

// Opens both fonts and derives the dialog units from the controls' font.
DialogFonts OpenDialogFonts();

enum class NameFocus { Edit, Ok };

struct NameDialogLayout {
    int32_t width;  // client area
    int32_t height;
    Rect edit;
    Rect ok;
    // Where the text of the edit field may show, and where its first
    // character cell starts when not scrolled.
    Rect text_area;
    int32_t text_x;
    int32_t text_y;
};

struct RankingDialogLayout {
    int32_t width;
    int32_t height;
    Rect ok;
};

NameDialogLayout LayOutNameDialog(const DialogFonts& fonts);
RankingDialogLayout LayOutRankingDialog(const DialogFonts& fonts);

// What the name dialog shows besides the stored text: the input method's
// composition (code page 932, shown at the caret, underlined, not yet part of
// the name) with its own cursor, the caret's blink phase, the focus and
// whether OK is held down.
struct NameDialogView {
    std::string composition;
    std::size_t composition_cursor = 0;  // byte offset into composition
    bool caret_on = true;
    NameFocus focus = NameFocus::Edit;
    bool ok_pressed = false;
};

// Takes the input method's composition (UTF-8) as the field shows it: what
// code page 932 cannot hold shows as '?'; the cursor comes in characters and
// is kept in bytes.
void TakeComposition(NameDialogView& view, std::string_view utf8, std::size_t cursor);

// The caret blinks at the rate Windows uses by default.
constexpr uint32_t kCaretBlinkMs = 530;

// The caret's x in pixels from the start of the text, composition included.
int32_t NameCaretX(const DialogFonts& fonts, const NameField& field, const NameDialogView& view);

// Scrolls the field so that the caret shows.
void KeepNameCaretVisible(const DialogFonts& fonts, const NameDialogLayout& layout,
                          NameField& field, const NameDialogView& view);

// The caret position nearest to a click at x (client pixels).
std::size_t NameCaretForClick(const DialogFonts& fonts, const NameDialogLayout& layout,
                              const NameField& field, int32_t x);

void DrawNameDialog(const Canvas& canvas, const DialogFonts& fonts, const NameDialogLayout& layout,
                    const NameField& field, const NameDialogView& view);

// The headings, OK, and the five rows at their places in the system font,
// black on the dialog's face.
void DrawRankingDialog(const Canvas& canvas, const DialogFonts& fonts,
                       const RankingDialogLayout& layout, const RankTable& table, bool ok_pressed);

bool Contains(const Rect& rect, int32_t x, int32_t y);
