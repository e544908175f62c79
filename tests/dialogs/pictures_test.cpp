// The dialogs' pictures drawn with the real fonts: where the rows, the field,
// its text and caret, and the buttons land.
#include "dialogs/pictures.h"
#include "dialogs/push_button.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Picture {
    std::vector<uint8_t> pixels;
    Canvas canvas;
};

Picture MakePicture(int32_t width, int32_t height) {
    Picture picture;
    picture.pixels.assign(static_cast<std::size_t>(width) * height, 0xEE);
    picture.canvas = {picture.pixels.data(), width, height, width, false};
    return picture;
}

uint8_t At(const Picture& p, int32_t x, int32_t y) {
    return p.pixels[static_cast<std::size_t>(y) * p.canvas.width + x];
}

struct Box {
    int32_t left = 1 << 30;
    int32_t top = 1 << 30;
    int32_t right = -1;  // inclusive
    int32_t bottom = -1;
    bool empty() const { return right < 0; }
};

// The bounding box of the pixels of one ink inside a region.
Box InkBox(const Picture& p, Rect region, uint8_t ink) {
    Box box;
    for (int32_t y = region.top; y < region.bottom && y < p.canvas.height; ++y) {
        for (int32_t x = region.left; x < region.right && x < p.canvas.width; ++x) {
            if (At(p, x, y) == ink) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

// Dialog units as the dialog manager converts them, written out here on
// their own: the nearest pixel, halves rounded up.
int32_t Units(int32_t value, int32_t base, int32_t per) {
    return static_cast<int32_t>(std::floor(value * base / static_cast<double>(per) + 0.5));
}

void SetName(RankTable& table, int row, const char* name) {
    std::memset(table.player_names[row], 0, kNameField);
    std::memcpy(table.player_names[row], name, std::strlen(name) + 1);
}

class DialogPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { fonts = OpenDialogFonts(); }
    static DialogFonts fonts;
};
DialogFonts DialogPictures::fonts;

TEST_F(DialogPictures, DialogUnitsComeFromTheTemplateFont) {
    EXPECT_EQ(CellHeight(fonts.controls), 12) << "9 point at 96 dots per inch";
    EXPECT_EQ(fonts.units.base_y, 12);
    const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const int32_t width = TextWidth(fonts.controls, letters, 52);
    EXPECT_EQ(fonts.units.base_x, static_cast<int32_t>(std::lround(width / 52.0)));
    EXPECT_GE(fonts.units.base_x, 4);
    EXPECT_LE(fonts.units.base_x, 9);
}

TEST_F(DialogPictures, DialogsAreTheTemplatesSizes) {
    const int32_t bx = fonts.units.base_x;
    const int32_t by = fonts.units.base_y;
    const NameDialogLayout name = LayOutNameDialog(fonts);
    EXPECT_EQ(name.width, Units(119, bx, 4));
    EXPECT_EQ(name.height, Units(77, by, 8));
    EXPECT_EQ(name.ok.left, Units(35, bx, 4));
    EXPECT_EQ(name.ok.top, Units(56, by, 8));
    EXPECT_EQ(name.ok.right - name.ok.left, Units(50, bx, 4));
    const RankingDialogLayout ranking = LayOutRankingDialog(fonts);
    EXPECT_EQ(ranking.width, Units(187, bx, 4));
    EXPECT_EQ(ranking.height, Units(155, by, 8));
    EXPECT_EQ(ranking.ok.left, Units(65, bx, 4));
    EXPECT_EQ(ranking.ok.top, Units(125, by, 8));
    EXPECT_EQ(ranking.ok.bottom - ranking.ok.top, Units(14, by, 8));
}

TEST_F(DialogPictures, RankingRowsStandAtTheirPlaces) {
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    Picture picture = MakePicture(layout.width, layout.height);
    RankTable table{};
    const char* names[] = {"Alice", "Bob", "Carol", "Dave", "Eve"};
    for (int i = 0; i < kRankRows; ++i) {
        table.points[i] = 50 - 10 * i;
        SetName(table, i, names[i]);
    }
    DrawRankingDialog(picture.canvas, fonts, layout, table, false);

    for (int i = 0; i < kRankRows; ++i) {
        const int32_t top = 50 + 22 * i;
        const Box number = InkBox(picture, {0, top - 6, 150, top + 22}, kInkText);
        ASSERT_FALSE(number.empty()) << "row " << i;
        EXPECT_GE(number.top, top) << "row " << i;
        EXPECT_LT(number.bottom, top + 16) << "row " << i;
        EXPECT_GE(number.left, 14) << "row " << i;
        EXPECT_LE(number.left, 17) << "row " << i;
        EXPECT_LT(number.right, 150) << "row " << i << ": the score runs into the names";

        const Box name = InkBox(picture, {150, top - 6, layout.width, top + 22}, kInkText);
        ASSERT_FALSE(name.empty()) << "row " << i;
        EXPECT_GE(name.top, top);
        EXPECT_LT(name.bottom, top + 16);
        EXPECT_GE(name.left, 150);
        EXPECT_LE(name.left, 153);
    }
    // Nothing between the rows but the dialog's face.
    for (int i = 0; i < kRankRows - 1; ++i) {
        EXPECT_TRUE(InkBox(picture, {0, 66 + 22 * i, layout.width, 72 + 22 * i}, kInkText).empty())
            << "below row " << i;
    }
}

TEST_F(DialogPictures, RankingRowsReadNumberTwoSpacesAndNineDigits) {
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    Picture dialog = MakePicture(layout.width, layout.height);
    RankTable table{};
    const int32_t points[] = {123456789, 5, 0, 2, -12};
    for (int i = 0; i < kRankRows; ++i) {
        table.points[i] = points[i];
    }
    DrawRankingDialog(dialog.canvas, fonts, layout, table, false);

    const char* expected[] = {"No. 1  123456789", "No. 2  000000005", "No. 3  000000000",
                              "No. 4  000000002", "No. 5  -00000012"};
    for (int i = 0; i < kRankRows; ++i) {
        const int32_t top = 50 + 22 * i;
        Picture reference = MakePicture(layout.width, layout.height);
        std::fill(reference.pixels.begin(), reference.pixels.end(), kInkFace);
        DrawString(reference.canvas, fonts.system, 14, top, expected[i], std::strlen(expected[i]),
                   kInkText, {0, 0, layout.width, layout.height});
        for (int32_t y = top; y < top + 16; ++y) {
            for (int32_t x = 0; x < 150; ++x) {
                ASSERT_EQ(At(dialog, x, y) == kInkText, At(reference, x, y) == kInkText)
                    << expected[i] << " at " << x << ", " << y;
            }
        }
    }
}

TEST_F(DialogPictures, ANameWithoutNulEndsWithItsField) {
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    // Wide enough for the whole name, so that a byte read past the field
    // would show.
    Picture dialog = MakePicture(8000, layout.height);
    RankTable table{};
    std::memset(table.player_names[4], 'W', kNameField);
    table.play_number = 0x57575757;  // "WWWW" right after the field
    DrawRankingDialog(dialog.canvas, fonts, layout, table, false);

    Picture reference = MakePicture(8000, layout.height);
    const std::string name(kNameField, 'W');
    DrawString(reference.canvas, fonts.system, 150, 138, name.data(), name.size(), kInkText,
               {0, 0, 8000, layout.height});
    const Box drawn = InkBox(dialog, {150, 130, 8000, 160}, kInkText);
    const Box wanted = InkBox(reference, {150, 130, 8000, 160}, kInkText);
    ASSERT_FALSE(wanted.empty());
    EXPECT_EQ(drawn.right, wanted.right);
}

TEST_F(DialogPictures, NameFieldIsSunkenWhereTheTemplatePutsIt) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    Picture picture = MakePicture(layout.width, layout.height);
    DrawNameDialog(picture.canvas, fonts, layout, NameField{}, NameDialogView{});

    const int32_t x = Units(13, fonts.units.base_x, 4);
    const int32_t y = Units(23, fonts.units.base_y, 8);
    const int32_t w = Units(93, fonts.units.base_x, 4);
    const int32_t h = Units(14, fonts.units.base_y, 8);
    // The edges of the sunken frame, each found where the face ends.
    EXPECT_EQ(At(picture, x - 1, y + 5), kInkFace);
    EXPECT_EQ(At(picture, x, y + 5), kInkShadow);
    EXPECT_EQ(At(picture, x + 1, y + 5), kInkDarkShadow);
    EXPECT_EQ(At(picture, x + 2, y + 5), kInkWindow);
    EXPECT_EQ(At(picture, x + 5, y - 1), kInkFace);
    EXPECT_EQ(At(picture, x + 5, y), kInkShadow);
    EXPECT_EQ(At(picture, x + 5, y + 1), kInkDarkShadow);
    EXPECT_EQ(At(picture, x + 5, y + 2), kInkWindow);
    EXPECT_EQ(At(picture, x + w - 3, y + 5), kInkWindow);
    EXPECT_EQ(At(picture, x + w - 2, y + 5), kInkFace) << "the inner light edge";
    EXPECT_EQ(At(picture, x + w - 1, y + 5), kInkWindow) << "the outer highlight";
    EXPECT_EQ(At(picture, x + w, y + 5), kInkFace);
    EXPECT_EQ(At(picture, x + 5, y + h - 3), kInkWindow);
    EXPECT_EQ(At(picture, x + 5, y + h - 1), kInkWindow);
    EXPECT_EQ(At(picture, x + 5, y + h), kInkFace);
    // The caret blinks in the empty field at its start.
    const Box caret = InkBox(picture, {x, y, x + w, y + h}, kInkText);
    ASSERT_FALSE(caret.empty());
    EXPECT_EQ(caret.left, caret.right) << "one pixel wide";
    EXPECT_EQ(caret.left, layout.text_x);
    EXPECT_EQ(caret.bottom - caret.top + 1, 12);
}

TEST_F(DialogPictures, LongNamesScrollAndStayInsideTheField) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    NameField field;
    InsertTypedText(field, std::string(60, 'W'));
    NameDialogView view;
    KeepNameCaretVisible(fonts, layout, field, view);
    EXPECT_GT(field.scroll_x, 0);

    Picture picture = MakePicture(layout.width, layout.height);
    DrawNameDialog(picture.canvas, fonts, layout, field, view);
    const Rect& edit = layout.edit;
    const Box text = InkBox(picture, edit, kInkText);
    ASSERT_FALSE(text.empty());
    EXPECT_GE(text.left, layout.text_area.left);
    EXPECT_LT(text.right, layout.text_area.right);
    // The caret is the full-height column at the end of the text, inside.
    const int32_t caret_x = layout.text_x - field.scroll_x + NameCaretX(fonts, field, view);
    EXPECT_LT(caret_x, layout.text_area.right);
    EXPECT_GE(caret_x, layout.text_area.left);
    for (int32_t y = layout.text_y; y < layout.text_y + 12; ++y) {
        EXPECT_EQ(At(picture, caret_x, y), kInkText) << y;
    }
    // Nothing drawn outside the field and the button changes the face.
    for (int32_t y = 0; y < layout.height; ++y) {
        for (int32_t x = 0; x < layout.width; ++x) {
            if (!Contains(edit, x, y) && !Contains(layout.ok, x, y)) {
                ASSERT_EQ(At(picture, x, y), kInkFace) << x << ", " << y;
            }
        }
    }

    MoveCaretHome(field);
    KeepNameCaretVisible(fonts, layout, field, view);
    EXPECT_EQ(field.scroll_x, 0);
}

TEST_F(DialogPictures, ClicksPutTheCaretOnTheNearestBoundary) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    NameField field;
    InsertTypedText(field, "ab\xe3\x83\x86");  // a b テ
    const int32_t after_b = layout.text_x + TextWidth(fonts.controls, "ab", 2);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, after_b), 2u);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, after_b + 1), 2u);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, layout.text_x - 30), 0u);
    EXPECT_EQ(NameCaretForClick(fonts, layout, field, layout.text_x + 500), 4u);
}

TEST_F(DialogPictures, CompositionShowsAtTheCaretUnderlined) {
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    NameField field;
    InsertTypedText(field, "ab");
    MoveCaretLeft(field);
    NameDialogView view;
    view.composition = "\x82\xa0\x82\xa2";  // あい, not yet committed
    view.composition_cursor = 2;            // after あ
    Picture picture = MakePicture(layout.width, layout.height);
    DrawNameDialog(picture.canvas, fonts, layout, field, view);

    const int32_t from = layout.text_x + TextWidth(fonts.controls, "a", 1);
    const int32_t to = from + TextWidth(fonts.controls, view.composition.data(), 4);
    const int32_t underline_y = layout.text_y + 11;
    for (int32_t x = from; x < to; ++x) {
        EXPECT_EQ(At(picture, x, underline_y), kInkText) << x;
    }
    const int32_t caret_x = from + TextWidth(fonts.controls, "\x82\xa0", 2);
    EXPECT_EQ(NameCaretX(fonts, field, view) + layout.text_x, caret_x);
    for (int32_t y = layout.text_y; y < layout.text_y + 12; ++y) {
        EXPECT_EQ(At(picture, caret_x, y), kInkText) << y;
    }
    EXPECT_EQ(field.text, "ab") << "a composition is not part of the name";
}

TEST(PushButton, ClicksWhenReleasedOverItAsTheDialogManagerDoes) {
    struct Step {
        ButtonInput input;
        bool inside;
        bool pressed;
        bool clicked;
    };
    using I = ButtonInput;
    const std::vector<std::vector<Step>> cases = {
        // Down and up on it.
        {{I::MouseDown, true, true, false}, {I::MouseUp, true, false, true}},
        // Dragged off, it pops up; released off, no click; back on, pressed again.
        {{I::MouseDown, true, true, false},
         {I::MouseMove, false, false, false},
         {I::MouseMove, true, true, false},
         {I::MouseMove, false, false, false},
         {I::MouseUp, false, false, false}},
        // Down elsewhere and dragged onto it: never its press.
        {{I::MouseDown, false, false, false},
         {I::MouseMove, true, false, false},
         {I::MouseUp, true, false, false}},
        // Space goes down and clicks when it comes up.
        {{I::SpaceDown, false, true, false}, {I::SpaceUp, false, true, true}},
        // A Space that went up without going down here does nothing.
        {{I::SpaceUp, false, false, false}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        PushButton button;
        for (const Step& step : cases[c]) {
            EXPECT_EQ(FeedPushButton(button, step.input, step.inside), step.clicked)
                << "case " << c;
            EXPECT_EQ(button.pressed, step.pressed) << "case " << c;
        }
    }
}

TEST_F(DialogPictures, ButtonLabelsAreCentred) {
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    Picture picture = MakePicture(layout.width, layout.height);
    DrawRankingDialog(picture.canvas, fonts, layout, RankTable{}, false);
    const Rect& ok = layout.ok;
    // The label lies inside the focus rectangle, 4 pixels in.
    const Box label =
        InkBox(picture, {ok.left + 5, ok.top + 5, ok.right - 5, ok.bottom - 5}, kInkText);
    ASSERT_FALSE(label.empty());
    const double centre = (label.left + label.right + 1) / 2.0;
    EXPECT_NEAR(centre, (ok.left + ok.right) / 2.0, 1.5);
    // The black frame of the default button.
    EXPECT_EQ(At(picture, ok.left, (ok.top + ok.bottom) / 2), kInkText);
    EXPECT_EQ(At(picture, ok.right - 1, (ok.top + ok.bottom) / 2), kInkText);
    // Held down, the label moves one pixel to the right and down.
    Picture pressed = MakePicture(layout.width, layout.height);
    DrawRankingDialog(pressed.canvas, fonts, layout, RankTable{}, true);
    const Box moved =
        InkBox(pressed, {ok.left + 5, ok.top + 5, ok.right - 5, ok.bottom - 5}, kInkText);
    EXPECT_EQ(moved.left, label.left + 1);
    EXPECT_EQ(moved.bottom, label.bottom + 1);
}

}  // namespace
