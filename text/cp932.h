// Code page 932 (Japanese Windows, Shift_JIS with Microsoft's extensions):
// every text the game stores or draws is in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes exactly `length` bytes: ASCII, half-width katakana and double-byte
// characters; a byte that starts no valid character (or a lead byte cut off by
// the end of the text) becomes U+FFFD and decoding resumes at the next byte.
std::u32string DecodeCp932(const char* text, std::size_t length);

// Decodes the one character that starts at text[position] (position below
// length) by the same rules, and moves position past it. It allocates nothing,
// so a frame can walk its texts with it.
char32_t DecodeCp932Char(const char* text, std::size_t length, std::size_t& position);

std::string Cp932ToUtf8(const char* text, std::size_t length);
std::string Utf32ToUtf8(std::u32string_view text);

// Encodes one character; false when code page 932 cannot hold it.
bool EncodeCp932(char32_t character, std::string& out);

// Decodes UTF-8 (a malformed sequence gives U+FFFD per byte).
std::u32string Utf8ToUtf32(std::string_view text);

// UTF-8 to code page 932 as the name prompt stores a typed name: a character
// that cannot be held becomes '?', and the result is cut to at most max_bytes
// without splitting a double-byte character.
std::string Utf8ToCp932Name(std::string_view text, std::size_t max_bytes = 255);
