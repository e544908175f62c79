// The result dialogs drawn with the real fonts, and their push button: where
// the rows, the field, its text and caret, and OK land, and how OK is worked.
#include "dialogs/pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/push_button.h"
#include "dialogs/templates.h"

namespace {

struct Picture {
    std::vector<uint8_t> pixels;
    Canvas canvas;
    Picture(int32_t width, int32_t height)
        : pixels(static_cast<std::size_t>(width) * height, 0xEE),
          canvas{pixels.data(), width, height, width, false} {}
    uint8_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * canvas.width + x];
    }
    // The bounding box of one ink inside a region; right and bottom inclusive,
    // right < 0 when there is none.
    Rect Ink(Rect region, uint8_t ink) const {
        Rect box{1 << 30, 1 << 30, -1, -1};
        for (int32_t y = region.top; y < region.bottom && y < canvas.height; ++y) {
            for (int32_t x = region.left; x < region.right && x < canvas.width; ++x) {
                if (At(x, y) == ink) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                           std::max(box.bottom, y)};
                }
            }
        }
        return box;
    }
};

// Dialog units as the dialog manager converts them, written out here on
// their own: the nearest pixel, halves rounded up.
int32_t Units(int32_t value, int32_t base, int32_t per) {
    return static_cast<int32_t>(std::floor(value * base / static_cast<double>(per) + 0.5));
}

class DialogPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { fonts = OpenDialogFonts(); }
    static DialogFonts fonts;
};
DialogFonts DialogPictures::fonts;

TEST_F(DialogPictures, TheTemplatesInPixelsOfTheirFont) {
    EXPECT_EQ(CellHeight(fonts.controls), 12) << "9 point at 96 dots per inch";
    const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const int32_t bx = fonts.units.base_x;
    const int32_t by = fonts.units.base_y;
    EXPECT_EQ(bx, static_cast<int32_t>(std::lround(TextWidth(fonts.controls, letters, 52) / 52.0)));
    EXPECT_EQ(by, 12);
    const NameDialogLayout name = LayOutNameDialog(fonts);
    const RankingDialogLayout ranking = LayOutRankingDialog(fonts);
    EXPECT_EQ(
        (std::vector<int32_t>{name.width, name.height, name.ok.left, name.ok.top, ranking.width,
                              ranking.height, ranking.ok.left, ranking.ok.bottom - ranking.ok.top}),
        (std::vector<int32_t>{Units(119, bx, 4), Units(77, by, 8), Units(35, bx, 4),
                              Units(56, by, 8), Units(187, bx, 4), Units(155, by, 8),
                              Units(65, bx, 4), Units(14, by, 8)}));
}

TEST_F(DialogPictures, RankingRowsReadNumberTwoSpacesAndNineDigitsAtTheirPlaces) {
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    // Wide enough for a whole NUL-less name, so that a byte read past its
    // field would show.
    Picture dialog(8000, layout.height);
    RankTable table{};
    const int32_t points[] = {123456789, 5, 0, 2, -12};
    std::copy(std::begin(points), std::end(points), table.points);
    std::memset(table.player_names[4], 'W', kNameField);
    table.play_number = 0x57575757;  // "WWWW" right after the field
    DrawRankingDialog(dialog.canvas, fonts, layout, table, false);

    const char* rows[] = {"No. 1  123456789", "No. 2  000000005", "No. 3  000000000",
                          "No. 4  000000002", "No. 5  -00000012"};
    Picture reference(8000, layout.height);
    for (int i = 0; i < kRankRows; ++i) {
        DrawString(reference.canvas, fonts.system, 14, 50 + 22 * i, rows[i], std::strlen(rows[i]),
                   kInkText, {0, 0, 150, layout.height});
    }
    const std::string name(kNameField, 'W');
    DrawString(reference.canvas, fonts.system, 150, 138, name.data(), name.size(), kInkText,
               {150, 0, 8000, layout.height});
    for (int32_t y = 50; y < 138 + 16; ++y) {
        for (int32_t x = 0; x < 8000; ++x) {
            ASSERT_EQ(dialog.At(x, y) == kInkText, reference.At(x, y) == kInkText) << x << "," << y;
        }
    }
}

TEST_F(DialogPictures, NameFieldIsSunkenWhereTheTemplatePutsItWithTheCaretAtItsStart) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    Picture picture(layout.width, layout.height);
    DrawNameDialog(picture.canvas, fonts, layout, NameField{}, NameDialogView{});
    const int32_t x = Units(13, fonts.units.base_x, 4);
    const int32_t y = Units(23, fonts.units.base_y, 8);
    const int32_t w = Units(93, fonts.units.base_x, 4);
    // Across the left edge, then the right edge, at the same height.
    const std::vector<uint8_t> expected = {kInkFace,   kInkShadow, kInkDarkShadow, kInkWindow,
                                           kInkWindow, kInkFace,   kInkWindow,     kInkFace};
    const std::vector<uint8_t> found = {picture.At(x - 1, y + 5),     picture.At(x, y + 5),
                                        picture.At(x + 1, y + 5),     picture.At(x + 2, y + 5),
                                        picture.At(x + w - 3, y + 5), picture.At(x + w - 2, y + 5),
                                        picture.At(x + w - 1, y + 5), picture.At(x + w, y + 5)};
    EXPECT_EQ(found, expected);
    const Rect caret = picture.Ink(layout.edit, kInkText);
    EXPECT_EQ(caret.left, layout.text_x);
    EXPECT_EQ(caret.right, caret.left) << "one pixel wide";
    EXPECT_EQ(caret.bottom - caret.top + 1, 12);
}

TEST_F(DialogPictures, LongNamesScrollAndStayInsideTheField) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    NameField field;
    InsertTypedText(field, std::string(60, 'W'));
    NameDialogView view;
    KeepNameCaretVisible(fonts, layout, field, view);
    EXPECT_GT(field.scroll_x, 0);
    Picture picture(layout.width, layout.height);
    DrawNameDialog(picture.canvas, fonts, layout, field, view);
    const Rect text = picture.Ink(layout.edit, kInkText);
    EXPECT_GE(text.left, layout.text_area.left);
    EXPECT_LT(text.right, layout.text_area.right);
    const int32_t caret_x = layout.text_x - field.scroll_x + NameCaretX(fonts, field, view);
    EXPECT_EQ(caret_x, text.right) << "the caret ends the text, inside the field";
    for (int32_t y = 0; y < layout.height; ++y) {
        for (int32_t x = 0; x < layout.width; ++x) {
            if (!Contains(layout.edit, x, y) && !Contains(layout.ok, x, y)) {
                ASSERT_EQ(picture.At(x, y), kInkFace) << x << ", " << y;
            }
        }
    }
    MoveCaretHome(field);
    KeepNameCaretVisible(fonts, layout, field, view);
    EXPECT_EQ(field.scroll_x, 0);
}

TEST_F(DialogPictures, CompositionShowsAtTheCaretUnderlinedAndClicksFindBoundaries) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    NameField field;
    InsertTypedText(field, "ab");
    MoveCaretLeft(field);
    NameDialogView view;
    view.composition = "\x82\xa0\x82\xa2";  // あい, not yet committed
    view.composition_cursor = 2;            // after あ
    Picture picture(layout.width, layout.height);
    DrawNameDialog(picture.canvas, fonts, layout, field, view);
    const int32_t from = layout.text_x + TextWidth(fonts.controls, "a", 1);
    const int32_t to = from + TextWidth(fonts.controls, view.composition.data(), 4);
    const Rect underline =
        picture.Ink({0, layout.text_y + 11, layout.width, layout.text_y + 12}, kInkText);
    EXPECT_EQ(underline.left, from);
    EXPECT_EQ(underline.right, to - 1);
    EXPECT_EQ(NameCaretX(fonts, field, view) + layout.text_x,
              from + TextWidth(fonts.controls, "\x82\xa0", 2));
    EXPECT_EQ(field.text, "ab") << "a composition is not part of the name";

    InsertTypedText(field, "\xe3\x83\x86");  // テ
    const int32_t after_a = layout.text_x + TextWidth(fonts.controls, "a", 1);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, after_a + 1), 1u);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, layout.text_x - 30), 0u);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, layout.text_x + 500), 4u);
}

TEST_F(DialogPictures, OkIsTheDefaultButtonItsLabelCentredAndPushedInWhenHeld) {
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    Picture up(layout.width, layout.height);
    Picture down(layout.width, layout.height);
    DrawRankingDialog(up.canvas, fonts, layout, RankTable{}, false);
    DrawRankingDialog(down.canvas, fonts, layout, RankTable{}, true);
    const Rect& ok = layout.ok;
    const Rect inside{ok.left + 5, ok.top + 5, ok.right - 5, ok.bottom - 5};
    const Rect label = up.Ink(inside, kInkText);
    EXPECT_NEAR((label.left + label.right + 1) / 2.0, (ok.left + ok.right) / 2.0, 1.5);
    EXPECT_EQ(up.At(ok.left, (ok.top + ok.bottom) / 2), kInkText) << "the default's black frame";
    const Rect moved = down.Ink(inside, kInkText);
    EXPECT_EQ(moved.left, label.left + 1);
    EXPECT_EQ(moved.bottom, label.bottom + 1);
}

TEST(PushButton, ClicksWhenReleasedOverItAsTheDialogManagerDoes) {
    using I = ButtonInput;
    struct Step {
        ButtonInput input;
        bool inside, pressed, clicked;
    };
    const std::vector<std::vector<Step>> cases = {
        {{I::MouseDown, true, true, false}, {I::MouseUp, true, false, true}},
        // Dragged off it pops up, back on it goes down; released off, no click.
        {{I::MouseDown, true, true, false},
         {I::MouseMove, false, false, false},
         {I::MouseMove, true, true, false},
         {I::MouseMove, false, false, false},
         {I::MouseUp, false, false, false}},
        // Down elsewhere and dragged onto it: never its press.
        {{I::MouseDown, false, false, false},
         {I::MouseMove, true, false, false},
         {I::MouseUp, true, false, false}},
        {{I::SpaceDown, false, true, false}, {I::SpaceUp, false, true, true}},
        {{I::SpaceUp, false, false, false}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        PushButton button;
        for (const Step& step : cases[c]) {
            EXPECT_EQ(FeedPushButton(button, step.input, step.inside), step.clicked) << c;
            EXPECT_EQ(button.pressed, step.pressed) << c;
        }
    }
}

}  // namespace
