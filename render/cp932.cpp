// Code page 932 to and from Unicode, a character at a time.
#include "render/cp932.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <unordered_map>

namespace {

bool IsLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrailByte(uint8_t b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The C library's converter knows the whole code page; it is asked once for
// every double-byte code and the answers are kept in both directions.
struct Cp932Tables {
    std::array<char32_t, 0x10000> decode{};  // 0 where the code is not assigned
    std::unordered_map<char32_t, uint16_t> encode;
};

char32_t ConvertPair(iconv_t cd, uint8_t lead, uint8_t trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char32_t out[2] = {};
    char* in_ptr = in;
    char* out_ptr = reinterpret_cast<char*>(out);
    size_t in_left = 2;
    size_t out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) ||
        in_left != 0 || out_left != sizeof out - sizeof(char32_t)) {
        return 0;
    }
    return out[0];
}

const Cp932Tables& Tables() {
    static const Cp932Tables* tables = [] {
        auto* t = new Cp932Tables;
        iconv_t cd = iconv_open("UTF-32LE", "CP932");
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            for (int lead = 0x81; lead <= 0xFC; ++lead) {
                if (!IsLeadByte(static_cast<uint8_t>(lead))) {
                    continue;
                }
                for (int trail = 0x40; trail <= 0xFC; ++trail) {
                    if (!IsTrailByte(static_cast<uint8_t>(trail))) {
                        continue;
                    }
                    const char32_t c =
                        ConvertPair(cd, static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
                    if (c == 0) {
                        continue;
                    }
                    const auto code = static_cast<uint16_t>(lead << 8 | trail);
                    t->decode[code] = c;
                    // Where several codes give one character, the converter's
                    // own choice for the way back wins; see below.
                }
            }
            iconv_close(cd);
        }
        iconv_t back = iconv_open("CP932", "UTF-32LE");
        if (back != reinterpret_cast<iconv_t>(-1)) {
            for (int code = 0x8140; code <= 0xFCFC; ++code) {
                const char32_t c = t->decode[code];
                if (c == 0 || t->encode.count(c)) {
                    continue;
                }
                char32_t in[1] = {c};
                char out[4] = {};
                char* in_ptr = reinterpret_cast<char*>(in);
                char* out_ptr = out;
                size_t in_left = sizeof in;
                size_t out_left = sizeof out;
                iconv(back, nullptr, nullptr, nullptr, nullptr);
                if (iconv(back, &in_ptr, &in_left, &out_ptr, &out_left) !=
                        static_cast<size_t>(-1) &&
                    sizeof out - out_left == 2) {
                    t->encode[c] = static_cast<uint16_t>(static_cast<uint8_t>(out[0]) << 8 |
                                                         static_cast<uint8_t>(out[1]));
                }
            }
            iconv_close(back);
        }
        return t;
    }();
    return *tables;
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
        const char32_t c = Tables().decode[b << 8 | bytes[position]];
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
    const auto& encode = Tables().encode;
    const auto found = encode.find(c);
    if (found == encode.end()) {
        return false;
    }
    out += static_cast<char>(found->second >> 8);
    out += static_cast<char>(found->second & 0xFF);
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
