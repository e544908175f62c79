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

TEST(NameField, TypingStoresCodePage932AtTheCaretAndRefusesTheRest) {
    NameField field = Typed("ac");
    MoveCaretLeft(field);
    EXPECT_EQ(InsertTypedText(field, "b"), 0u);
    EXPECT_EQ(field.text, "abc");
    EXPECT_EQ(field.caret, 2u);
    // テスト and a half-width ｱ in one byte; é (not in the code page), a
    // tab, DEL and an emoji refused.
    field = Typed("\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xef\xbd\xb1");
    EXPECT_EQ(field.text, "\x83\x65\x83\x58\x83\x67\xb1");
    EXPECT_EQ(InsertTypedText(field, "\xc3\xa9\t\x7f\xf0\x9f\x98\x80z"), 4u);
    EXPECT_EQ(field.text, "\x83\x65\x83\x58\x83\x67\xb1z");
}

TEST(NameField, KeepsAtMost255BytesAndNeverHalfACharacter) {
    NameField field = Typed(std::string(253, 'a'));
    // テ fits (255 bytes); ス would make 257 and stops the insertion there.
    EXPECT_EQ(InsertTypedText(field, "\xe3\x83\x86\xe3\x82\xb9z"), 2u);
    EXPECT_EQ(field.text, std::string(253, 'a') + "\x83\x65");
    NameField almost = Typed(std::string(254, 'a'));
    EXPECT_EQ(InsertTypedText(almost, "\xe3\x83\x86"), 1u) << "two bytes in one's room";
    EXPECT_EQ(InsertTypedText(almost, "b"), 0u);
    EXPECT_EQ(almost.text.size(), 255u);
    // A paste is cut where the field is full; only its first line counts.
    NameField pasted = Typed("x");
    MoveCaretHome(pasted);
    EXPECT_EQ(InsertTypedText(pasted, FirstLine(std::string(300, 'p') + "\r\nmore")), 46u);
    EXPECT_EQ(pasted.text, std::string(254, 'p') + "x");
}

TEST(NameField, EditingStepsOverWholeCharactersFoundFromTheStart) {
    // ャ is 83 83: its trail byte is also a lead byte, so only a walk from the
    // start finds the boundaries.
    NameField field = Typed("\xe3\x83\xa3\xe3\x83\xa3z");
    ASSERT_EQ(field.text, "\x83\x83\x83\x83z");
    const std::size_t left_stops[] = {4, 2, 0, 0};
    for (const std::size_t stop : left_stops) {
        MoveCaretLeft(field);
        EXPECT_EQ(field.caret, stop);
    }
    MoveCaretRight(field);
    DeleteForward(field);
    EXPECT_EQ(field.text, "\x83\x83z");
    MoveCaretEnd(field);
    DeleteBackward(field);
    DeleteBackward(field);
    EXPECT_EQ(field.text, "");
    DeleteBackward(field);
    EXPECT_EQ(field.caret, 0u);
}

TEST(NameField, ScrollKeepsTheCaretInsideTheField) {
    // (scroll, caret x, text width) in a field 100 pixels wide, and the scroll wanted.
    const int32_t cases[][4] = {
        {0, 50, 80, 0},     // short text never scrolls
        {0, 99, 150, 0},    // caret on the last visible pixel
        {0, 100, 150, 1},   // one past it
        {0, 150, 150, 51},  // at the end of a long text
        {51, 20, 150, 20},  // moved left of the view
        {51, 60, 150, 51},  // inside the view
        {51, 30, 60, 0},    // text shortened: no empty space at the end
        {80, 120, 130, 31},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScrollToShow(c[0], c[1], c[2], 100), c[3]) << c[0] << " " << c[1] << " " << c[2];
    }
}

}  // namespace
