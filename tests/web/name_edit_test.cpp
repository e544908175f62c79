// The browser's name field: what the page's input element reports after an edit, taken by the name
// field's rules.
#include <gtest/gtest.h>

#include <string>

#include "web/name_edit.h"

namespace {

struct EditCase {
    const char* what;
    std::string text;  // code page 932, before the edit
    std::size_t caret;
    std::string reported;  // UTF-8
    std::size_t reported_caret;
    std::string kept;  // code page 932
    std::size_t kept_caret;
};

TEST(NameEdit, TakesWhatTheInputElementReportsByTheFieldsRules) {
    const std::string full(255, 'a');
    const EditCase cases[] = {
        {"typed in the middle", "abc", 2, "abXc", 3, "abXc", 3},
        {"deleted backwards", "abc", 2, "ac", 1, "ac", 1},
        {"a selection typed over", "abcdef", 6, "aXf", 2, "aXf", 2},
        {"a double-byte character typed between two", "\x82\xa0\x82\xa2", 2,
         "\xe3\x81\x82\xe3\x81\x86\xe3\x81\x84", 2, "\x82\xa0\x82\xa4\x82\xa2", 4},
        {"the caret moved only",
         "\x82\xa0"
         "b",
         3,
         "\xe3\x81\x82"
         "b",
         1,
         "\x82\xa0"
         "b",
         2},
        {"a character code page 932 cannot hold", "ab", 1,
         "a\xf0\x9f\x98\x80"
         "b",
         2, "ab", 1},
        {"typed into a full field", full, 255, full + "x", 256, full, 255},
        {"a double-byte character into the last free byte", std::string(254, 'a'), 254,
         std::string(254, 'a') + "\xe3\x81\x82", 255, std::string(254, 'a'), 254},
        {"a paste cut at 255 bytes", "", 0, std::string(300, 'b'), 300, std::string(255, 'b'), 255},
        {"a control character", "ab", 1, "a\tb", 2, "ab", 1},
    };
    for (const EditCase& edit : cases) {
        NameField field{edit.text, edit.caret, 0};
        const bool changed = TakeReportedEdit(field, edit.reported, edit.reported_caret);
        EXPECT_EQ(field.text, edit.kept) << edit.what;
        EXPECT_EQ(field.caret, edit.kept_caret) << edit.what;
        EXPECT_EQ(changed, field.text != edit.text || field.caret != edit.caret) << edit.what;
    }
}

TEST(NameEdit, CountsCharactersAndBytesAlike) {
    // "あ", 'b', half-width "ｱ" (one byte), "い"
    const std::string text =
        "\x82\xa0"
        "b\xb1\x82\xa2";
    const std::size_t bytes[] = {0, 2, 3, 4, 6};
    for (std::size_t characters = 0; characters <= 4; ++characters) {
        EXPECT_EQ(BytesOfCharacters(text, characters), bytes[characters]);
        EXPECT_EQ(CharactersOfBytes(text, bytes[characters]), characters);
    }
    EXPECT_EQ(BytesOfCharacters(text, 9), text.size());
    EXPECT_EQ(CharactersOfBytes(text, 99), 4u);
}

}  // namespace
