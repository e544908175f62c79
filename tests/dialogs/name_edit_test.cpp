// The name field as an input element reports it after an edit, taken by its
// rules.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/name_field.h"

namespace {

TEST(NameEdit, TakesWhatTheInputElementReportsByTheFieldsRules) {
    struct Case {
        const char* what;
        NameField before;      // code page 932, the caret in bytes
        std::string reported;  // UTF-8, the caret in characters
        std::size_t reported_caret;
        NameField kept;
    };
    const std::string a254(254, 'a'), a255(255, 'a');
    const Case cases[] = {
        {"deleted backwards", {"\x82\xa0\x82\xa2z", 4}, "あz", 1, {"\x82\xa0z", 2}},
        {"a selection typed over", {"abcdef", 6}, "aXf", 2, {"aXf", 2}},
        {"typed between", {"\x82\xa0\x82\xa2", 2}, "あうい", 2, {"\x82\xa0\x82\xa4\x82\xa2", 4}},
        {"the caret moved only", {"\x82\xa0z", 3}, "あz", 1, {"\x82\xa0z", 2}},
        {"not in code page 932", {"az", 1}, "a\xf0\x9f\x98\x80z", 2, {"az", 1}},
        {"double-byte into the last free byte", {a254, 254}, a254 + "あ", 255, {a254, 254}},
        {"a paste cut at 255 bytes", {"", 0}, std::string(300, 'a'), 300, {a255, 255}},
    };
    for (const Case& c : cases) {
        NameField field = c.before;
        const bool changed = TakeReportedEdit(field, c.reported, c.reported_caret);
        EXPECT_EQ(field.text, c.kept.text) << c.what;
        EXPECT_EQ(field.caret, c.kept.caret) << c.what;
        EXPECT_EQ(changed, c.kept.text != c.before.text || c.kept.caret != c.before.caret)
            << c.what;
    }
}

TEST(NameEdit, CountsCharactersAndBytesAlike) {
    const std::string text = "\x82\xa0z\xb1\x82\xa2";  // "あ", 'z', half-width "ｱ", "い"
    const std::size_t bytes[] = {0, 2, 3, 4, 6};
    for (std::size_t characters = 0; characters <= 4; ++characters) {
        EXPECT_EQ(BytesOfCharacters(text, characters), bytes[characters]);
        EXPECT_EQ(CharactersOfBytes(text, bytes[characters]), characters);
    }
    EXPECT_EQ(BytesOfCharacters(text, 9), text.size());
    EXPECT_EQ(CharactersOfBytes(text, 99), 4u);
}

}  // namespace
