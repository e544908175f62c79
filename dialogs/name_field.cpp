// The name field's editing rules: what typing, pasting, the editing keys and
// a reported edit do to a code page 932 name.
#include "dialogs/name_field.h"

#include <algorithm>

#include "text/cp932.h"

namespace {

bool IsLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::size_t CharacterLength(const std::string& text, std::size_t offset) {
    const bool wide = IsLeadByte(static_cast<uint8_t>(text[offset])) && offset + 1 < text.size();
    return wide ? 2 : 1;
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

}  // namespace

std::size_t PreviousBoundary(const std::string& text, std::size_t offset) {
    std::size_t previous = 0;
    std::size_t at = 0;
    while (at < offset && at < text.size()) {
        previous = at;
        at += CharacterLength(text, at);
    }
    return previous;
}

std::size_t NextBoundary(const std::string& text, std::size_t offset) {
    if (offset >= text.size()) {
        return text.size();
    }
    return offset + CharacterLength(text, offset);
}

std::size_t InsertTypedText(NameField& field, std::string_view utf8) {
    const std::u32string characters = Utf8ToUtf32(utf8);
    std::size_t refused = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        std::string encoded;
        if (IsControl(characters[i]) || !EncodeCp932(characters[i], encoded)) {
            ++refused;
            continue;
        }
        if (field.text.size() + encoded.size() > kNameMaxBytes) {
            // Full: this character and everything after it stay out, as an
            // edit field with a length limit cuts a paste.
            refused += characters.size() - i;
            break;
        }
        field.text.insert(field.caret, encoded);
        field.caret += encoded.size();
    }
    return refused;
}

std::string_view FirstLine(std::string_view text) {
    return text.substr(0, std::min(text.find('\r'), text.find('\n')));
}

void DeleteBackward(NameField& field) {
    if (field.caret == 0) {
        return;
    }
    const std::size_t start = PreviousBoundary(field.text, field.caret);
    field.text.erase(start, field.caret - start);
    field.caret = start;
}

void DeleteForward(NameField& field) {
    const std::size_t end = NextBoundary(field.text, field.caret);
    field.text.erase(field.caret, end - field.caret);
}

void MoveCaretLeft(NameField& field) {
    field.caret = PreviousBoundary(field.text, field.caret);
}

void MoveCaretRight(NameField& field) {
    field.caret = NextBoundary(field.text, field.caret);
}

void MoveCaretHome(NameField& field) {
    field.caret = 0;
}

void MoveCaretEnd(NameField& field) {
    field.caret = field.text.size();
}

int32_t ScrollToShow(int32_t scroll_x, int32_t caret_x, int32_t text_width, int32_t visible_width) {
    const int32_t max_scroll = std::max(0, text_width + 1 - visible_width);
    scroll_x = std::clamp(scroll_x, 0, max_scroll);
    if (caret_x < scroll_x) {
        scroll_x = caret_x;
    } else if (caret_x > scroll_x + visible_width - 1) {
        scroll_x = caret_x - visible_width + 1;
    }
    return std::max(0, scroll_x);
}

std::size_t BytesOfCharacters(const std::string& text, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < characters && at < text.size(); ++i) {
        at = NextBoundary(text, at);
    }
    return at;
}

std::size_t CharactersOfBytes(const std::string& text, std::size_t bytes) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < bytes && at < text.size(); at = NextBoundary(text, at)) {
        ++characters;
    }
    return characters;
}

bool TakeReportedEdit(NameField& field, const std::string& utf8, std::size_t caret) {
    const std::u32string before = DecodeCp932(field.text.data(), field.text.size());
    const std::u32string after = Utf8ToUtf32(utf8);
    std::size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    const NameField old = field;
    const std::size_t from = BytesOfCharacters(field.text, head);
    const std::size_t to = BytesOfCharacters(field.text, before.size() - tail);
    field.text.erase(from, to - from);
    field.caret = from;
    const std::u32string inserted = after.substr(head, after.size() - tail - head);
    if (InsertTypedText(field, Utf32ToUtf8(inserted)) == 0) {
        field.caret = BytesOfCharacters(field.text, caret);
    }
    return field.text != old.text || field.caret != old.caret;
}
