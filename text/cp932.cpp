// Code page 932 to and from Unicode, a character at a time.
#include "text/cp932.h"

#include <algorithm>
#include <vector>

namespace {

#include "text/cp932_table.inc"

bool IsLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrailByte(uint8_t b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

constexpr int kTrails = 188;
// The user-defined area, lead bytes 0xF0-0xF9, is the private use area from
// U+E000 on, code by code.
constexpr char32_t kUserDefinedFirst = 0xE000;
constexpr char32_t kUserDefinedLast = kUserDefinedFirst + 10 * kTrails - 1;

int TrailIndex(uint8_t trail) {
    return trail - 0x40 - (trail > 0x7F ? 1 : 0);
}
uint8_t TrailByte(int index) {
    return static_cast<uint8_t>(0x40 + index + (index >= 0x3F ? 1 : 0));
}

bool IsUserDefinedLead(uint8_t lead) {
    return lead >= 0xF0 && lead <= 0xF9;
}

// The row of kCp932Rows for any lead byte outside the user-defined area.
const char16_t* RowOf(uint8_t lead) {
    const int row = lead <= 0x9F ? lead - 0x81 : lead <= 0xEF ? lead - 0xE0 + 31 : lead - 0xFA + 47;
    return kCp932Rows[row];
}

// 0 where the code is not assigned.
char32_t DecodePair(uint8_t lead, uint8_t trail) {
    if (IsUserDefinedLead(lead)) {
        return kUserDefinedFirst + (lead - 0xF0) * kTrails + TrailIndex(trail);
    }
    return RowOf(lead)[TrailIndex(trail)];
}

// Where several codes give one character, the way back takes the code Windows
// and the C library take: JIS X 0208's own first, then NEC's row 13, then IBM's
// extensions, and NEC's copies of IBM's extensions only for nothing else.
int Precedence(uint16_t code) {
    const int lead = code >> 8;
    if (lead == 0x87) {
        return 1;
    }
    if (lead >= 0xFA) {
        return 2;
    }
    return lead == 0xED || lead == 0xEE ? 3 : 0;
}

struct Reverse {
    char16_t character;
    uint16_t code;
};

// Sorted by character, one entry each, built on first use.
const std::vector<Reverse>& ReverseTable() {
    static const std::vector<Reverse> table = [] {
        std::vector<Reverse> t;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            const auto b = static_cast<uint8_t>(lead);
            if (!IsLeadByte(b) || IsUserDefinedLead(b)) {
                continue;
            }
            for (int i = 0; i < kTrails; ++i) {
                if (const char16_t c = RowOf(b)[i]; c != 0) {
                    t.push_back({c, static_cast<uint16_t>(lead << 8 | TrailByte(i))});
                }
            }
        }
        // No character has two codes of one precedence.
        std::sort(t.begin(), t.end(), [](const Reverse& a, const Reverse& b) {
            return a.character != b.character ? a.character < b.character
                                              : Precedence(a.code) < Precedence(b.code);
        });
        t.erase(std::unique(
                    t.begin(), t.end(),
                    [](const Reverse& a, const Reverse& b) { return a.character == b.character; }),
                t.end());
        return t;
    }();
    return table;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

char32_t DecodeCp932Char(const char* text, std::size_t length, std::size_t& position) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    const uint8_t b = bytes[position++];
    if (b < 0x80) {
        return b;
    }
    if (b >= 0xA1 && b <= 0xDF) {
        return static_cast<char32_t>(0xFF61 + (b - 0xA1));
    }
    if (IsLeadByte(b) && position < length && IsTrailByte(bytes[position])) {
        const char32_t c = DecodePair(b, bytes[position]);
        if (c != 0) {
            ++position;
            return c;
        }
    }
    return kReplacementCharacter;
}

std::u32string DecodeCp932(const char* text, std::size_t length) {
    std::u32string out;
    out.reserve(length);
    std::size_t i = 0;
    while (i < length) {
        out += DecodeCp932Char(text, length, i);
    }
    return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) {
        AppendUtf8(c, out);
    }
    return out;
}

std::string Cp932ToUtf8(const char* text, std::size_t length) {
    return Utf32ToUtf8(DecodeCp932(text, length));
}

bool EncodeCp932(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return true;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
        out += static_cast<char>(0xA1 + (c - 0xFF61));
        return true;
    }
    uint16_t code = 0;
    if (c >= kUserDefinedFirst && c <= kUserDefinedLast) {
        const int index = static_cast<int>(c - kUserDefinedFirst);
        code = static_cast<uint16_t>((0xF0 + index / kTrails) << 8 | TrailByte(index % kTrails));
    } else {
        const auto& table = ReverseTable();
        const auto found = std::lower_bound(
            table.begin(), table.end(), c,
            [](const Reverse& entry, char32_t key) { return entry.character < key; });
        if (found == table.end() || found->character != c) {
            return false;
        }
        code = found->code;
    }
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
    return true;
}

std::u32string Utf8ToUtf32(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<uint8_t>(text[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
        } else {
            out += kReplacementCharacter;
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size()) {
            out += kReplacementCharacter;
            ++i;
            continue;
        }
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<uint8_t>(text[i + k]);
            if ((t & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = c << 6 | (t & 0x3F);
        }
        static constexpr char32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (!valid || c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += kReplacementCharacter;
            ++i;
            continue;
        }
        out += c;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string Utf8ToCp932Name(std::string_view text, std::size_t max_bytes) {
    std::string out;
    for (char32_t c : Utf8ToUtf32(text)) {
        const std::size_t before = out.size();
        if (!EncodeCp932(c, out)) {
            out.push_back('?');
        }
        if (out.size() > max_bytes) {
            // Never half a double-byte character.
            out.resize(before);
            break;
        }
    }
    return out;
}
