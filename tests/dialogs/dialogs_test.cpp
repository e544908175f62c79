// What every build's result dialogs share: units, the name field, OK, the pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs/name_field.h"
#include "dialogs/pictures.h"
#include "dialogs/push_button.h"
#include "dialogs/templates.h"
#include "dialogs/units.h"

namespace {

TEST(DialogUnits, ConvertWithTheDialogManagersRounding) {
    // 22.75, 0.5, 1.25, -0.5, -3.75 twice, 1.5, 115.5, then a product past 32
    // bits and a zero divisor, which Windows answers with -1.
    const int32_t cases[][4] = {{13, 7, 4, 23}, {1, 1, 2, 1},     {5, 1, 4, 1},
                                {-1, 1, 2, -1}, {-5, 3, 4, -4},   {5, -3, 4, -4},
                                {-6, 1, -4, 2}, {77, 12, 8, 116}, {2000000000, 3, 4, 1500000000},
                                {3, 1, 0, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(MulDivRounded(c[0], c[1], c[2]), c[3]) << c[0] << " * " << c[1] << " / " << c[2];
    }
    // The base unit is the average width of 52 letters, rounded: 312 to 363
    // pixels give 6, 6.48, 6.5, 6.98.
    const int32_t widths[][2] = {{312, 6}, {337, 6}, {338, 7}, {363, 7}};
    for (const auto& [width, base] : widths) {
        EXPECT_EQ(BaseUnitsFromFont(width, 12).base_x, base) << width;
    }
    // Each value is converted on its own. From its edges, 2 units from x 2
    // would be 7 - 4 = 3 pixels wide at 7 and 3 - 2 = 1 high at 12; on their
    // own they are 3.5 and 1.5, rounded up.
    const Rect small = DialogRectToPixels({7, 12}, {2, 1, 2, 1});
    EXPECT_EQ((std::vector<int32_t>{small.left, small.top, small.right, small.bottom}),
              (std::vector<int32_t>{4, 2, 8, 4}));
}

NameField Typed(const std::string& utf8) {
    NameField field;
    InsertTypedText(field, utf8);
    return field;
}

TEST(NameField, TypingStoresAtMost255BytesOfCodePage932AtTheCaret) {
    NameField field = Typed("ac");
    MoveCaretLeft(field);
    EXPECT_EQ(InsertTypedText(field, "b"), 0u);
    EXPECT_EQ(field.text, "abc");
    EXPECT_EQ(field.caret, 2u);
    // テスト and a half-width ｱ in one byte; é (not in the code page), a
    // tab, DEL and an emoji refused.
    field = Typed("\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xef\xbd\xb1");
    EXPECT_EQ(InsertTypedText(field, "\xc3\xa9\t\x7f\xf0\x9f\x98\x80z"), 4u);
    EXPECT_EQ(field.text, "\x83\x65\x83\x58\x83\x67\xb1z");
    // At most 255 bytes, never half a character: after 253, テ fits and ス,
    // which would make 257, stops the insertion there.
    field = Typed(std::string(253, 'a'));
    EXPECT_EQ(InsertTypedText(field, "\xe3\x83\x86\xe3\x82\xb9z"), 2u);
    EXPECT_EQ(field.text, std::string(253, 'a') + "\x83\x65");
    NameField almost = Typed(std::string(254, 'a'));
    EXPECT_EQ(InsertTypedText(almost, "\xe3\x83\x86"), 1u) << "two bytes in one's room";
    EXPECT_EQ(InsertTypedText(almost, "b"), 0u);
    EXPECT_EQ(almost.text.size(), 255u);
}

TEST(NameField, EditingStepsOverWholeCharactersFoundFromTheStart) {
    // ャ is 83 83: its trail byte is also a lead byte, so only a walk from the
    // start finds the boundaries.
    NameField field = Typed("\xe3\x83\xa3\xe3\x83\xa3z");
    ASSERT_EQ(field.text, "\x83\x83\x83\x83z");
    for (const std::size_t stop : {4u, 2u, 0u, 0u}) {
        MoveCaretLeft(field);
        EXPECT_EQ(field.caret, stop);
    }
    MoveCaretRight(field);
    DeleteForward(field);
    EXPECT_EQ(field.text, "\x83\x83z");
    MoveCaretEnd(field);
    DeleteBackward(field);
    DeleteBackward(field);
    DeleteBackward(field);
    EXPECT_EQ(field.text, "");
    EXPECT_EQ(field.caret, 0u);
}

TEST(NameField, ScrollKeepsTheCaretInsideTheField) {
    // In a field 100 pixels wide: the scroll, the caret's x and the text's
    // width, then the scroll wanted. Short text never scrolls; 99 is the
    // last pixel shown; the view follows the caret either way; a shortened
    // text leaves no empty space at the end.
    const int32_t cases[][4] = {{0, 50, 80, 0},    {0, 99, 150, 0},   {0, 100, 150, 1},
                                {0, 150, 150, 51}, {51, 20, 150, 20}, {51, 60, 150, 51},
                                {51, 30, 60, 0},   {80, 120, 130, 31}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScrollToShow(c[0], c[1], c[2], 100), c[3]) << c[0] << " " << c[1] << " " << c[2];
    }
}

struct Picture {
    std::vector<uint8_t> pixels;
    Canvas canvas;
    Picture(int32_t width, int32_t height)
        : pixels(static_cast<std::size_t>(width) * height, 0xEE),
          canvas{pixels.data(), width, height, width, false} {}
    uint8_t At(int32_t x, int32_t y) const { return pixels[y * canvas.width + x]; }
    // The bounding box of the text's ink in a region, right and bottom inclusive.
    Rect Ink(Rect region) const {
        Rect box{1 << 30, 1 << 30, -1, -1};
        for (int32_t y = region.top; y < region.bottom; ++y) {
            for (int32_t x = region.left; x < region.right; ++x) {
                if (At(x, y) == kInkText) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                           std::max(box.bottom, y)};
                }
            }
        }
        return box;
    }
};

// Dialog units in pixels as the dialog manager rounds them, halves up.
int32_t Units(int32_t value, int32_t base, int32_t per) {
    return static_cast<int32_t>(std::floor(value * base / static_cast<double>(per) + 0.5));
}

class DialogPictures : public ::testing::Test {
  protected:
    const DialogFonts fonts = OpenDialogFonts();
    const NameDialogLayout name = LayOutNameDialog(fonts);
    const RankingDialogLayout ranking = LayOutRankingDialog(fonts);
};

TEST_F(DialogPictures, TheTemplatesInPixelsOfTheirFont) {
    // 9 point is a 12-pixel em, whose cell is 13 pixels in IPA P Gothic.
    EXPECT_EQ(CellHeight(fonts.controls), 13);
    // The Windows program's client areas under Wine with the same font.
    EXPECT_EQ((std::vector<int32_t>{name.width, name.height, ranking.width, ranking.height}),
              (std::vector<int32_t>{208, 125, 327, 252}));
    // OK where the templates put it, in the dialog units of that font.
    const int32_t bx = fonts.units.base_x, by = fonts.units.base_y;
    EXPECT_EQ((std::vector<int32_t>{name.ok.left, name.ok.top, ranking.ok.left,
                                    ranking.ok.bottom - ranking.ok.top}),
              (std::vector<int32_t>{Units(35, bx, 4), Units(56, by, 8), Units(65, bx, 4),
                                    Units(14, by, 8)}));
}

TEST_F(DialogPictures, RankingRowsReadNumberTwoSpacesAndNineDigitsAtTheirPlaces) {
    // Wide enough for a whole NUL-less name, so that a byte read past its
    // field would show.
    Picture dialog(8000, ranking.height), reference(8000, ranking.height);
    RankTable table{{123456789, 5, 0, 2, -12}, {}, 0x57575757};  // "WWWW" after the last name
    std::memset(table.player_names[4], 'W', kNameField);
    DrawRankingDialog(dialog.canvas, fonts, ranking, table, false);
    const char* rows[] = {"No. 1  123456789", "No. 2  000000005", "No. 3  000000000",
                          "No. 4  000000002", "No. 5  -00000012"};
    for (int i = 0; i < kRankRows; ++i) {
        DrawString(reference.canvas, fonts.system, 14, 50 + 22 * i, rows[i], 16, kInkText,
                   {0, 0, 150, ranking.height});
    }
    DrawString(reference.canvas, fonts.system, 150, 138, std::string(kNameField, 'W').data(),
               kNameField, kInkText, {150, 0, 8000, ranking.height});
    for (int32_t y = 50; y < 138 + 16; ++y) {
        for (int32_t x = 0; x < 8000; ++x) {
            ASSERT_EQ(dialog.At(x, y) == kInkText, reference.At(x, y) == kInkText) << x << "," << y;
        }
    }
}

TEST_F(DialogPictures, NameFieldIsSunkenWhereTheTemplatePutsItAndLongNamesScrollInside) {
    NameField field;
    NameDialogView view;
    Picture picture(name.width, name.height);
    DrawNameDialog(picture.canvas, fonts, name, field, view);
    // Across the left edge, then the right edge.
    const int32_t x = Units(13, fonts.units.base_x, 4);
    const int32_t w = Units(93, fonts.units.base_x, 4);
    std::string found;
    for (int32_t at : {x - 1, x, x + 1, x + 2, x + w - 3, x + w - 2, x + w - 1, x + w}) {
        found += "FTWSD"[picture.At(at, Units(23, fonts.units.base_y, 8) + 5)];
    }
    EXPECT_EQ(found, "FSDWWFWF") << "F face, W window, S shadow, D dark shadow";
    const Rect caret = picture.Ink(name.edit);
    EXPECT_EQ(caret.left, name.text_x);
    EXPECT_EQ(caret.right, caret.left) << "one pixel wide";
    EXPECT_EQ(caret.bottom - caret.top + 1, 13) << "the cell's height";

    InsertTypedText(field, std::string(60, 'W'));
    KeepNameCaretVisible(fonts, name, field, view);
    DrawNameDialog(picture.canvas, fonts, name, field, view);
    // All the text's ink above OK: the name, and the caret that ends it on
    // the last pixel shown.
    const Rect text = picture.Ink({0, 0, name.width, name.ok.top});
    EXPECT_GE(text.left, name.text_area.left);
    EXPECT_EQ(text.right, name.text_area.right - 1);
    EXPECT_EQ(name.text_x - field.scroll_x + NameCaretX(fonts, field, view), text.right);
    EXPECT_EQ(name.text_area.left - name.edit.left, name.edit.right - name.text_area.right)
        << "the same margin on both sides";
    MoveCaretHome(field);
    KeepNameCaretVisible(fonts, name, field, view);
    EXPECT_EQ(field.scroll_x, 0);
}

TEST_F(DialogPictures, CompositionShowsAtTheCaretUnderlinedAndClicksFindBoundaries) {
    NameField field = Typed("ab");
    MoveCaretLeft(field);
    const NameDialogView view{"\x82\xa0\x82\xa2", 2};  // あい not yet committed, cursor after あ
    Picture picture(name.width, name.height);
    DrawNameDialog(picture.canvas, fonts, name, field, view);
    const int32_t from = name.text_x + TextWidth(fonts.controls, "a", 1);
    const int32_t to = from + TextWidth(fonts.controls, view.composition.data(), 4);
    const Rect underline = picture.Ink({0, name.text_y + 12, name.width, name.text_y + 13});
    EXPECT_EQ(underline.left, from);
    EXPECT_EQ(underline.right, to - 1);
    EXPECT_EQ(NameCaretX(fonts, field, view) + name.text_x,
              from + TextWidth(fonts.controls, "\x82\xa0", 2));
    EXPECT_EQ(field.text, "ab") << "a composition is not part of the name";

    InsertTypedText(field, "\xe3\x83\x86");  // テ
    EXPECT_EQ(NameCaretForClick(fonts, name, field, from + 1), 1u);
    EXPECT_EQ(NameCaretForClick(fonts, name, field, name.text_x - 30), 0u);
    EXPECT_EQ(NameCaretForClick(fonts, name, field, name.text_x + 500), 4u);
}

TEST_F(DialogPictures, OkIsTheDefaultButtonItsLabelCentredAndPushedInWhenHeld) {
    Picture up(ranking.width, ranking.height), down(ranking.width, ranking.height);
    DrawRankingDialog(up.canvas, fonts, ranking, RankTable{}, false);
    DrawRankingDialog(down.canvas, fonts, ranking, RankTable{}, true);
    const Rect& ok = ranking.ok;
    const Rect inside{ok.left + 5, ok.top + 5, ok.right - 5, ok.bottom - 5};
    const Rect label = up.Ink(inside), moved = down.Ink(inside);
    EXPECT_NEAR(label.left + label.right + 1, ok.left + ok.right, 3);
    EXPECT_EQ(up.At(ok.left, (ok.top + ok.bottom) / 2), kInkText) << "the default's black frame";
    EXPECT_EQ(moved.left, label.left + 1);
    EXPECT_EQ(moved.bottom, label.bottom + 1);
}

TEST(PushButton, ClicksWhenReleasedOverItAsTheDialogManagerDoes) {
    // Steps: mouse down, move, up or Space down, up; over the button (+) or
    // not (-); then p while drawn pushed in, c when the step clicks it.
    const char* cases[] = {"d+p u+c", "d+p m- m+p m- u-", "d- m+ u+", "s-p S-pc", "S-"};
    for (const char* steps : cases) {
        PushButton button;
        std::istringstream in(steps);
        for (std::string step; in >> step;) {
            const auto input = static_cast<ButtonInput>(std::string("dmusS").find(step[0]));
            EXPECT_EQ(FeedPushButton(button, input, step[1] == '+'), step.find('c') != step.npos)
                << steps << ": " << step;
            EXPECT_EQ(button.pressed, step.find('p') != step.npos) << steps << ": " << step;
        }
    }
}

}  // namespace
