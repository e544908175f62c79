// Code page 932 both ways, against the C library's converter where it has one.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "render/cp932.h"

#ifdef __GLIBC__
#include <iconv.h>
#endif

namespace {

// Codes whose character has another code too, and the neighbours most easily
// mistaken for one another; the way back must agree with Windows.
TEST(Cp932, KnownCodesBothWays) {
    struct Case {
        uint16_t code;
        char32_t character;
        bool back;  // whether the character encodes to this very code
    };
    const Case cases[] = {
        {0x8160, 0xFF5E, true},  {0x815F, 0xFF3C, true},  {0x8740, 0x2460, true},
        {0xFA40, 0x2170, true},  {0xEEEF, 0x2170, false}, {0xED40, 0x7E8A, false},
        {0xFA5C, 0x7E8A, true},  {0x81E0, 0x2252, true},  {0x8790, 0x2252, false},
        {0x81E6, 0x2235, true},  {0x81CA, 0xFFE2, true},  {0x8754, 0x2160, true},
        {0xFA4A, 0x2160, false}, {0xF040, 0xE000, true},  {0xF9FC, 0xE757, true},
        {0xB1, 0xFF71, true},
    };
    for (const Case& c : cases) {
        std::string bytes(1, static_cast<char>(c.code));
        if (c.code > 0xFF) {
            bytes.insert(bytes.begin(), static_cast<char>(c.code >> 8));
        }
        EXPECT_EQ(DecodeCp932(bytes.data(), bytes.size()), std::u32string(1, c.character))
            << std::hex << c.code;
        std::string out;
        EXPECT_TRUE(EncodeCp932(c.character, out));
        EXPECT_EQ(out == bytes, c.back) << std::hex << c.code;
    }
}

TEST(Cp932, DecodesExactly9604DoubleByteCodes) {
    int assigned = 0;
    for (int code = 0x8100; code <= 0xFFFF; ++code) {
        const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
        std::size_t position = 0;
        DecodeCp932Char(bytes, 2, position);
        assigned += position == 2;
    }
    EXPECT_EQ(assigned, 9604);
}

#ifdef __GLIBC__
// The C library's converter, an independent reference: whether `length` bytes
// make exactly one character, and which.
bool Reference(iconv_t cd, const char* bytes, std::size_t length, char32_t& character) {
    char* in = const_cast<char*>(bytes);
    char32_t out[2] = {};
    char* to = reinterpret_cast<char*>(out);
    std::size_t in_left = length, out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool done = iconv(cd, &in, &in_left, &to, &out_left) != static_cast<std::size_t>(-1);
    character = out[0];
    return done && in_left == 0 && out_left == sizeof(char32_t);
}

// Every pair of bytes, and every byte cut off at the end of the text: what the
// converter makes of the pair, else of the first byte alone, else U+FFFD.
TEST(Cp932, DecodesEveryPairAsTheCLibrary) {
    const iconv_t cd = iconv_open("UTF-32LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int wrong = 0;
    for (int code = 0; code <= 0xFFFF && wrong < 10; ++code) {
        const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
        for (std::size_t length : {1, 2}) {
            char32_t expected = kReplacementCharacter;
            std::size_t end = 1;
            if (length == 2 && Reference(cd, bytes, 2, expected)) {
                end = 2;
            } else if (!Reference(cd, bytes, 1, expected)) {
                expected = kReplacementCharacter;
            }
            std::size_t position = 0;
            const char32_t got = DecodeCp932Char(bytes, length, position);
            if (got != expected || position != end) {
                ADD_FAILURE() << std::hex << code << " of " << length << ": "
                              << static_cast<uint32_t>(got);
                ++wrong;
            }
        }
    }
    iconv_close(cd);
}

// Every Unicode scalar value: the converter's code where that code comes back
// as the same character, and nothing where it does not (as with U+00A5, which
// it would write as a backslash).
TEST(Cp932, EncodesEveryCharacterAsTheCLibrary) {
    const iconv_t to = iconv_open("CP932", "UTF-32LE");
    const iconv_t from = iconv_open("UTF-32LE", "CP932");
    ASSERT_NE(to, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(from, reinterpret_cast<iconv_t>(-1));
    int wrong = 0;
    for (char32_t c = 0; c <= 0x10FFFF && wrong < 10; ++c) {
        char32_t in[1] = {c};
        char* in_ptr = reinterpret_cast<char*>(in);
        char bytes[8];
        char* out_ptr = bytes;
        std::size_t in_left = sizeof in, out_left = sizeof bytes;
        iconv(to, nullptr, nullptr, nullptr, nullptr);
        std::string expected;
        char32_t back = 0;
        if (iconv(to, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1)) {
            expected.assign(bytes, sizeof bytes - out_left);
            if (!Reference(from, expected.data(), expected.size(), back) || back != c) {
                expected.clear();
            }
        }
        std::string got;
        const bool encoded = EncodeCp932(c, got);
        if (encoded != !expected.empty() || got != expected) {
            ADD_FAILURE() << std::hex << static_cast<uint32_t>(c);
            ++wrong;
        }
    }
    iconv_close(to);
    iconv_close(from);
}
#endif

}  // namespace
