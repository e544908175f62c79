// Code page 932 both ways, against the C library's converter where it has one.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "text/cp932.h"

#ifdef __GLIBC__
#include <iconv.h>
#endif

namespace {

// Characters with more than one code, and neighbours easily mistaken for one another; the way
// back agrees with Windows, `back` marking the code a character encodes to.
TEST(Cp932, KnownCodesBothWays) {
    const std::tuple<std::string, char32_t, bool> cases[] = {
        {"\x81\x60", 0xFF5E, true},  {"\x81\x5F", 0xFF3C, true},  {"\x87\x40", 0x2460, true},
        {"\xFA\x40", 0x2170, true},  {"\xEE\xEF", 0x2170, false}, {"\xED\x40", 0x7E8A, false},
        {"\xFA\x5C", 0x7E8A, true},  {"\x81\xE0", 0x2252, true},  {"\x87\x90", 0x2252, false},
        {"\x81\xE6", 0x2235, true},  {"\x81\xCA", 0xFFE2, true},  {"\x87\x54", 0x2160, true},
        {"\xFA\x4A", 0x2160, false}, {"\xF0\x40", 0xE000, true},  {"\xF9\xFC", 0xE757, true},
        {"\xB1", 0xFF71, true},
    };
    for (const auto& [code, character, back] : cases) {
        std::string out;
        EXPECT_EQ(DecodeCp932(code.data(), code.size()), std::u32string(1, character));
        EXPECT_EQ(EncodeCp932(character, out) && out == code, back)
            << std::hex << static_cast<uint32_t>(character);
    }
    int assigned = 0;
    for (int code = 0x8100; code <= 0xFFFF; ++code) {
        const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
        std::size_t at = 0;
        DecodeCp932Char(bytes, 2, at);
        assigned += at == 2;
    }
    EXPECT_EQ(assigned, 9604) << "double-byte codes";
    EXPECT_EQ(Cp932ToUtf8("A\x83\x9f\x82\xa0\xb1", 6), "AΑあｱ");  // UTF-8 of 1, 2 and 3 bytes
}

#ifdef __GLIBC__
// The C library's converter, an independent reference: all of `in`, or nothing.
std::string Convert(iconv_t cd, std::string in) {
    char out[16];
    char *from = in.data(), *to = out;
    std::size_t in_left = in.size(), out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool done = iconv(cd, &from, &in_left, &to, &out_left) != static_cast<std::size_t>(-1);
    return done && in_left == 0 ? std::string(out, to) : std::string();
}

TEST(Cp932, AgreesWithTheCLibraryBothWays) {
    const iconv_t decode = iconv_open("UTF-32LE", "CP932");
    const iconv_t encode = iconv_open("CP932", "UTF-32LE");
    ASSERT_TRUE(decode != reinterpret_cast<iconv_t>(-1) && encode != reinterpret_cast<iconv_t>(-1));
    const auto utf32 = [](char32_t c) { return std::string(reinterpret_cast<char*>(&c), 4); };
    int wrong = 0;
    // Every pair of bytes, and every byte cut off at the end of the text: the
    // converter's one character for the pair, else for the first byte, else U+FFFD.
    for (int code = 0; code <= 0xFFFF && wrong < 10; ++code) {
        const std::string pair = {static_cast<char>(code >> 8), static_cast<char>(code)};
        const std::string both = Convert(decode, pair), first = Convert(decode, pair.substr(0, 1));
        const std::string alone = first.size() == 4 ? first : utf32(kReplacementCharacter);
        for (std::size_t length : {1, 2}) {
            const bool two = length == 2 && both.size() == 4;
            std::size_t at = 0;
            const std::string got = utf32(DecodeCp932Char(pair.data(), length, at));
            if (got != (two ? both : alone) || at != (two ? 2u : 1u)) {
                ADD_FAILURE() << std::hex << code << " of " << length << " byte(s)";
                ++wrong;
            }
        }
    }
    // Every code point: the converter's code where that code decodes back to the same character,
    // else nothing (as for U+00A5, which it would write as a backslash).
    for (char32_t c = 0; c <= 0x10FFFF && wrong < 10; ++c) {
        std::string expected = Convert(encode, utf32(c)), got;
        if (Convert(decode, expected) != utf32(c)) {
            expected.clear();
        }
        if (EncodeCp932(c, got) != !expected.empty() || got != expected) {
            ADD_FAILURE() << std::hex << static_cast<uint32_t>(c);
            ++wrong;
        }
    }
    iconv_close(decode);
    iconv_close(encode);
}
#endif

}  // namespace
