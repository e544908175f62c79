// The name prompt's edit field as data: the typed text in code page 932, the
// caret and the horizontal scroll. The dialog feeds it key presses, typed and
// pasted text, or the whole text an input element reports; nothing here knows
// about windows or fonts.
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

// The field as an input element reports it after each edit (the browser's):
// its whole text (UTF-8) and caret (in characters). What changed is what lies
// between the common start and the common end of the two texts: the removed
// part goes, and the inserted part is typed in by InsertTypedText, so the
// field refuses and cuts exactly as when typing. The caret goes where the
// element has it, or after what was typed if some of it was refused. True
// when the field's text or caret changed.
bool TakeReportedEdit(NameField& field, const std::string& utf8, std::size_t caret);

// Offsets in code page 932 text: the bytes of its first characters, and the
// characters in its first bytes.
std::size_t BytesOfCharacters(const std::string& text, std::size_t characters);
std::size_t CharactersOfBytes(const std::string& text, std::size_t bytes);
