// Texts cross between code page 932 and UTF-16 only at the GDI and dialog
// boundary; these are the two conversions, on the real Windows code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "win/wide_text.h"
#include "win/win_shell.h"

namespace {

using namespace std::literals;

TEST(WideFromCp932, TakesExactlyTheGivenBytesAsTheirCharacters) {
    const struct {
        std::string_view bytes;
        std::wstring_view wide;
    } cases[] = {
        // The ending's first credit line and a part of the tagline.
        {"\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval"sv, L"企画・開発　Ondaval"sv},
        {"\x81\x60\x81\x40SPI\x81\x69\x83\x4e\x83\x8c\x83\x78"sv, L"～　SPI（クレベ"sv},
        {"\xb1\xb2"sv, L"ｱｲ"sv},           // half-width katakana are single bytes
        {"Press"sv.substr(0, 1), L"P"sv},  // the title's prompt is drawn a byte per call
        {""sv, L""sv},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideFromCp932(c.bytes.data(), c.bytes.size()), c.wide);
    }
}

TEST(Cp932NameFromWide, KeepsAtMostMaxBytesOfWholeCharactersAndANul) {
    std::string a127;  // あ 127 times, 254 bytes
    for (int i = 0; i < 127; ++i) {
        a127 += "\x82\xa0";
    }
    const struct {
        std::wstring typed;
        std::string stored;
        std::size_t max_bytes = 255;
    } cases[] = {
        {L"テスト太郎", "\x83\x65\x83\x58\x83\x67\x91\xbe\x98\x59"},
        {L"Player 1", "Player 1"},
        {L"ｱｲｳ", "\xb1\xb2\xb3"},
        {L"", ""},
        // Each character outside the code page becomes one question mark: a
        // surrogate pair is one character, a lone surrogate is none.
        {L"caf\u00e9", "caf?"},
        {L"\ud55c", "?"},  // Hangul
        {L"a\U0001F600b", "a?b"},
        {L"x"s + static_cast<wchar_t>(0xD800) + L"y", "x?y"},
        {std::wstring(300, L'a'), std::string(255, 'a')},
        // 128 double-byte characters are 256 bytes: the 128th would be split.
        {std::wstring(128, L'あ'), a127},
        {L"a" + std::wstring(200, L'あ'), "a" + a127},
        {L"あいう", "\x82\xa0\x82\xa2", 5},
    };
    for (const auto& c : cases) {
        char out[300];
        std::memset(out, '#', sizeof out);
        const std::size_t length =
            Cp932NameFromWide(c.typed.data(), c.typed.size(), out, c.max_bytes);
        EXPECT_EQ(std::string(out, length), c.stored);
        EXPECT_EQ(out[length], '\0') << "the name ends with a NUL";
    }
}

// run-tests runs these tests in two Unix locales and says which ANSI code
// page each must give ("932", or "!932" for any other), so a locale that Wine
// ignored cannot pass for a test of the other code page.
TEST(TestLocale, WineUsesTheAnsiCodePageTheRunAskedFor) {
    const char* asked = std::getenv("KOBARU_EXPECT_ACP");
    if (asked == nullptr) {
        GTEST_SKIP() << "KOBARU_EXPECT_ACP not set";
    }
    const bool other = asked[0] == '!';
    EXPECT_EQ(GetACP() == std::strtoul(asked + other, nullptr, 10), !other) << GetACP();
}

}  // namespace
