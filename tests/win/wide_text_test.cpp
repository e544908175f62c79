// Texts cross between code page 932 and UTF-16 only at the GDI and dialog
// boundary; these are the two conversions, on the real Windows code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "screens/faces.h"
#include "win/wide_text.h"
#include "win/win_shell.h"

namespace {

std::string Name(const std::wstring& typed, std::size_t max_bytes = 255) {
    char out[300];
    std::memset(out, '#', sizeof out);
    const std::size_t length = Cp932NameFromWide(typed.data(), typed.size(), out, max_bytes);
    EXPECT_EQ(out[length], '\0') << "the name ends with a NUL";
    EXPECT_EQ(std::strlen(out), length);
    return std::string(out, length);
}

TEST(WideFromCp932, GameTextsBecomeTheirUnicodeCharacters) {
    EXPECT_EQ(WideFromCp932(kFaceGothic, std::strlen(kFaceGothic)), L"ＭＳ ゴシック");
    EXPECT_EQ(WideFromCp932(kFaceMincho, std::strlen(kFaceMincho)), L"ＭＳ 明朝");
    EXPECT_EQ(WideFromCp932(kFaceTimes, std::strlen(kFaceTimes)), L"Times New Roman");
    // The ending's first credit line and a part of the tagline, byte for byte.
    const char credit[] = "\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval";
    EXPECT_EQ(WideFromCp932(credit, sizeof credit - 1), L"企画・開発　Ondaval");
    const char tagline_part[] = "\x81\x60\x81\x40SPI\x81\x69\x83\x4e\x83\x8c\x83\x78";
    EXPECT_EQ(WideFromCp932(tagline_part, sizeof tagline_part - 1), L"～　SPI（クレベ");
    // Half-width katakana are single bytes.
    EXPECT_EQ(WideFromCp932("\xb1\xb2", 2), L"ｱｲ");
}

TEST(WideFromCp932, TakesExactlyTheGivenBytes) {
    // The title's prompt is drawn one byte per call.
    EXPECT_EQ(WideFromCp932("Press", 1), L"P");
    EXPECT_EQ(WideFromCp932("", 0), L"");
    // A name field is read to its NUL by the caller; bytes after the length
    // are never looked at.
    EXPECT_EQ(WideFromCp932("AB\0CD", 2), L"AB");
}

TEST(Cp932NameFromWide, StoresJapaneseAsCodePage932Bytes) {
    EXPECT_EQ(Name(L"テスト太郎"), "\x83\x65\x83\x58\x83\x67\x91\xbe\x98\x59");
    EXPECT_EQ(Name(L"Player 1"), "Player 1");
    EXPECT_EQ(Name(L"ｱｲｳ"), "\xb1\xb2\xb3");
    EXPECT_EQ(Name(L""), "");
}

TEST(Cp932NameFromWide, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Name(L"caf\u00e9"), "caf?");
    EXPECT_EQ(Name(L"\ud55c"), "?") << "Hangul is not in code page 932";
    // A character outside the BMP is a surrogate pair, still one character.
    EXPECT_EQ(Name(L"a\U0001F600b"), "a?b");
    // A lone surrogate is not a character either.
    EXPECT_EQ(Name(std::wstring(L"x") + static_cast<wchar_t>(0xD800) + L"y"), "x?y");
}

TEST(Cp932NameFromWide, KeepsAtMost255BytesWithoutSplittingACharacter) {
    EXPECT_EQ(Name(std::wstring(300, L'a')), std::string(255, 'a'));

    // 128 double-byte characters are 256 bytes: 127 fit, the 128th would be
    // cut in half and is left out.
    std::string expected;
    for (int i = 0; i < 127; ++i) {
        expected += "\x82\xa0";
    }
    EXPECT_EQ(Name(std::wstring(128, L'あ')), expected);

    // With one single-byte character in front, 255 bytes fit exactly.
    EXPECT_EQ(Name(L"a" + std::wstring(200, L'あ')), "a" + expected);

    // The same rule at a smaller limit.
    EXPECT_EQ(Name(L"あいう", 5), "\x82\xa0\x82\xa2");
}

// run-tests runs these tests in two Unix locales and says which ANSI code
// page each must give ("932", or "!932" for any other), so a locale that Wine
// ignored cannot pass for a test of the other code page.
TEST(TestLocale, WineUsesTheAnsiCodePageTheRunAskedFor) {
    const char* asked = std::getenv("KOBARU_EXPECT_ACP");
    if (asked == nullptr) {
        GTEST_SKIP() << "KOBARU_EXPECT_ACP not set";
    }
    const std::string want = asked;
    if (want[0] == '!') {
        EXPECT_NE(GetACP(), std::stoul(want.substr(1)));
    } else {
        EXPECT_EQ(GetACP(), std::stoul(want));
    }
}

}  // namespace
