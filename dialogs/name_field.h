// The name prompt's edit field as data: the typed text in code page 932, the
// caret and the horizontal scroll. The dialog feeds it key presses, typed and
// pasted text; nothing here knows about windows or fonts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The rank file has 256 bytes per name, NUL included.
constexpr std::size_t kNameMaxBytes = 255;

struct NameField {
    std::string text;       // code page 932, at most kNameMaxBytes
    std::size_t caret = 0;  // byte offset, always on a character boundary
    int32_t scroll_x = 0;   // pixels of text hidden at the left of the field
};

// Inserts UTF-8 text at the caret one character at a time. Control
// characters and characters code page 932 cannot hold are refused; the first
// character that would take the text past 255 bytes stops the insertion, so a
// double-byte character is never split. Returns how many characters were not
// inserted.
std::size_t InsertTypedText(NameField& field, std::string_view utf8);

// A pasted text is one line: everything from its first line break on is dropped.
std::string_view FirstLine(std::string_view text);

void DeleteBackward(NameField& field);
void DeleteForward(NameField& field);
void MoveCaretLeft(NameField& field);
void MoveCaretRight(NameField& field);
void MoveCaretHome(NameField& field);
void MoveCaretEnd(NameField& field);

// Character boundaries of code page 932 text, found by walking from the start
// (a trail byte can look like a lead byte, so there is no walking backwards).
std::size_t PreviousBoundary(const std::string& text, std::size_t offset);
std::size_t NextBoundary(const std::string& text, std::size_t offset);

// The scroll that keeps a 1-pixel caret inside a field visible_width pixels
// wide, moving as little as possible, and shows no empty space past the end
// of the text that could be filled by scrolling back.
int32_t ScrollToShow(int32_t scroll_x, int32_t caret_x, int32_t text_width, int32_t visible_width);
