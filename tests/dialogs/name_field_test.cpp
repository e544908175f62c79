// The name field's editing rules on code page 932 text.
#include "dialogs/name_field.h"

#include <gtest/gtest.h>

#include <string>

namespace {

NameField Typed(const std::string& utf8) {
    NameField field;
    InsertTypedText(field, utf8);
    return field;
}

TEST(NameFieldTyping, InsertsAtTheCaretAndMovesIt) {
    NameField field = Typed("ac");
    EXPECT_EQ(field.caret, 2u);
    MoveCaretLeft(field);
    EXPECT_EQ(InsertTypedText(field, "b"), 0u);
    EXPECT_EQ(field.text, "abc");
    EXPECT_EQ(field.caret, 2u);
    MoveCaretHome(field);
    InsertTypedText(field, ">");
    MoveCaretEnd(field);
    InsertTypedText(field, "<");
    EXPECT_EQ(field.text, ">abc<");
}

TEST(NameFieldTyping, StoresJapaneseAsCodePage932) {
    // テスト, then a half-width katakana ｱ, which takes a single byte.
    const NameField field = Typed("\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xef\xbd\xb1");
    EXPECT_EQ(field.text, "\x83\x65\x83\x58\x83\x67\xb1");
    EXPECT_EQ(field.caret, 7u);
}

TEST(NameFieldTyping, RefusesWhatCodePage932CannotHoldAndControlCharacters) {
    NameField field;
    // a, é (not in the code page), a tab, DEL, b, then an emoji.
    EXPECT_EQ(InsertTypedText(field,
                              "a\xc3\xa9\t\x7f"
                              "b\xf0\x9f\x98\x80"),
              4u);
    EXPECT_EQ(field.text, "ab");
    EXPECT_EQ(field.caret, 2u);
}

TEST(NameFieldLimit, KeepsAtMost255BytesAndNeverHalfACharacter) {
    NameField field = Typed(std::string(253, 'a'));
    // テ fits (255 bytes), ス would make 257 and is refused with everything after it.
    EXPECT_EQ(InsertTypedText(field, "\xe3\x83\x86\xe3\x82\xb9z"), 2u);
    EXPECT_EQ(field.text.size(), 255u);
    EXPECT_EQ(field.text.substr(253), "\x83\x65");
    EXPECT_EQ(InsertTypedText(field, "z"), 1u);
    EXPECT_EQ(field.text.size(), 255u);

    NameField almost = Typed(std::string(254, 'a'));
    EXPECT_EQ(InsertTypedText(almost, "\xe3\x83\x86"), 1u) << "a double-byte character in 1 byte";
    EXPECT_EQ(almost.text.size(), 254u);
    EXPECT_EQ(InsertTypedText(almost, "b"), 0u) << "a single byte still fits";
    EXPECT_EQ(almost.text.size(), 255u);
}

TEST(NameFieldLimit, APasteIsCutWhereTheFieldIsFull) {
    NameField field = Typed("x");
    MoveCaretHome(field);
    EXPECT_EQ(InsertTypedText(field, std::string(300, 'p')), 46u);
    EXPECT_EQ(field.text, std::string(254, 'p') + "x");
    EXPECT_EQ(field.caret, 254u);
}

TEST(NameFieldEditing, DeletesWholeDoubleByteCharacters) {
    NameField field = Typed(
        "a\xe3\x83\x86"
        "b");  // a テ b
    ASSERT_EQ(field.text,
              "a\x83\x65"
              "b");
    DeleteBackward(field);
    EXPECT_EQ(field.text, "a\x83\x65");
    DeleteBackward(field);
    EXPECT_EQ(field.text, "a");
    EXPECT_EQ(field.caret, 1u);
    DeleteBackward(field);
    DeleteBackward(field);
    EXPECT_EQ(field.text, "");
    EXPECT_EQ(field.caret, 0u);

    field = Typed(
        "\xe3\x83\x86"
        "b");
    MoveCaretHome(field);
    DeleteForward(field);
    EXPECT_EQ(field.text, "b");
    MoveCaretEnd(field);
    DeleteForward(field);
    EXPECT_EQ(field.text, "b") << "Delete at the end removes nothing";
}

TEST(NameFieldEditing, CaretStepsOverTrailBytesThatLookLikeLeadBytes) {
    // ャ is 83 83 in code page 932: its trail byte is also a lead byte, so only
    // a walk from the start finds the boundaries.
    NameField field = Typed(
        "\xe3\x83\xa3\xe3\x83\xa3"
        "a");
    ASSERT_EQ(field.text,
              "\x83\x83\x83\x83"
              "a");
    MoveCaretLeft(field);
    EXPECT_EQ(field.caret, 4u);
    MoveCaretLeft(field);
    EXPECT_EQ(field.caret, 2u);
    MoveCaretLeft(field);
    EXPECT_EQ(field.caret, 0u);
    MoveCaretLeft(field);
    EXPECT_EQ(field.caret, 0u);
    MoveCaretRight(field);
    EXPECT_EQ(field.caret, 2u);
    DeleteForward(field);
    EXPECT_EQ(field.text,
              "\x83\x83"
              "a");
}

TEST(NameFieldPaste, TakesOnlyTheFirstLine) {
    EXPECT_EQ(FirstLine("abc\r\ndef"), "abc");
    EXPECT_EQ(FirstLine("x\ny\rz"), "x");
    EXPECT_EQ(FirstLine("whole"), "whole");
    EXPECT_EQ(FirstLine("\nlater"), "");
}

TEST(NameFieldScroll, KeepsTheCaretInsideTheField) {
    // 100 pixels wide: x 0 to 99 show.
    EXPECT_EQ(ScrollToShow(0, 50, 80, 100), 0) << "short text never scrolls";
    EXPECT_EQ(ScrollToShow(0, 99, 150, 100), 0) << "caret on the last visible pixel";
    EXPECT_EQ(ScrollToShow(0, 100, 150, 100), 1) << "one pixel past it";
    EXPECT_EQ(ScrollToShow(0, 150, 150, 100), 51) << "caret at the end of a long text";
    EXPECT_EQ(ScrollToShow(51, 20, 150, 100), 20) << "caret moved left of the view";
    EXPECT_EQ(ScrollToShow(51, 60, 150, 100), 51) << "caret inside the view";
    EXPECT_EQ(ScrollToShow(51, 30, 60, 100), 0) << "text shortened: no empty space at the end";
    EXPECT_EQ(ScrollToShow(80, 120, 130, 100), 31) << "view pulled back to the end";
}

}  // namespace
