// The name field's text and caret taken from what the page's input element reports.
#include "web/name_edit.h"

#include "render/cp932.h"

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
