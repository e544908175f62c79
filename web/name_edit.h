// The name field as the page's input element reports it after each edit: its
// whole text and caret, taken into the game's field by the name field's rules.
#pragma once

#include <cstddef>
#include <string>

#include "dialogs/name_field.h"

// What changed is what lies between the common start and the common end of
// the field's text and the reported one (UTF-8, the caret in characters): the
// removed part goes, and the inserted part is typed in by InsertTypedText, so
// the field refuses and cuts exactly as when typing. The caret goes where the
// page has it, or after what was typed if some of it was refused. True when
// the field's text or caret changed.
bool TakeReportedEdit(NameField& field, const std::string& utf8, std::size_t caret);

// Offsets in code page 932 text: the bytes of its first characters, and the
// characters in its first bytes.
std::size_t BytesOfCharacters(const std::string& text, std::size_t characters);
std::size_t CharactersOfBytes(const std::string& text, std::size_t bytes);
