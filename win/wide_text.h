// Texts are code page 932 bytes throughout the game, whatever the system's own
// code page: the screens format them, rank.txt stores them and their lengths
// are byte counts. They become UTF-16 only on their way into GDI or out of a
// dialog, by explicit conversion, so Japanese comes out right on every Windows
// and not only where the ANSI code page happens to be 932.
#pragma once

#include <cstddef>
#include <string>

constexpr unsigned kTextCodePage = 932;

std::wstring WideFromCp932(const char* text, std::size_t length);

// Stores UTF-16 text as a code page 932 name: a character the code page cannot
// hold becomes '?', at most max_bytes bytes are kept without splitting a
// double-byte character, and a NUL follows (out needs max_bytes + 1 bytes).
// Returns the number of name bytes.
std::size_t Cp932NameFromWide(const wchar_t* text, std::size_t length, char* out,
                              std::size_t max_bytes);
