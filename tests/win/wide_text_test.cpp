// Texts cross between code page 932 and UTF-16 only at the GDI and dialog
// boundary, on the real Windows code page; the names' way back is tested
// through the name dialog.

#include <cstdlib>
#include <string_view>

#include "tests/win/win_test_support.h"
#include "win/wide_text.h"

namespace {

using namespace std::literals;

TEST(WideFromCp932, TakesExactlyTheGivenBytesAsTheirCharacters) {
    const std::pair<std::string_view, std::wstring_view> cases[] = {
        // The ending's first credit line and a part of the tagline.
        {"\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval"sv, L"企画・開発　Ondaval"sv},
        {"\x81\x60\x81\x40SPI\x81\x69\x83\x4e\x83\x8c\x83\x78"sv, L"～　SPI（クレベ"sv},
        {"\xb1\xb2"sv, L"ｱｲ"sv},           // half-width katakana are single bytes
        {"Press"sv.substr(0, 1), L"P"sv},  // the title's prompt is drawn a byte a call
        {""sv, L""sv}};
    for (const auto& [bytes, wide] : cases) {
        EXPECT_EQ(WideFromCp932(bytes.data(), bytes.size()), wide);
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
