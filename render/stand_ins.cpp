// The faces that stand in for the Windows faces the game and its dialogs ask for.
#include <cctype>
#include <cstring>

#include "render/fonts.h"

namespace {

constexpr StandIn kStandIns[] = {
    {"Times New Roman", "Liberation Serif", "serif", nullptr, true, false, 16},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",  // ＭＳ ゴシック
     "IPAGothic", "monospace", "ja", false, false, 16},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D",  // ＭＳ 明朝
     "IPAMincho", "serif", "ja", false, false, 16},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     // ＭＳ Ｐゴシック
     "IPAPGothic", "sans-serif", "ja", false, false, 16},
    {"MS Gothic", "IPAGothic", "monospace", "ja", false, false, 16},
    {"MS Mincho", "IPAMincho", "serif", "ja", false, false, 16},
    {"MS PGothic", "IPAPGothic", "sans-serif", "ja", false, false, 16},
    // The Windows system font is a bold sans of 16-pixel cells.
    {"System", "Liberation Sans", "sans-serif", nullptr, false, true, 16},
};

bool SameName(const char* a, const std::string& b) {
    if (std::strlen(a) != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

const StandIn* FindStandIn(const std::string& name) {
    for (const StandIn& stand_in : kStandIns) {
        if (SameName(stand_in.name, name)) {
            return &stand_in;
        }
    }
    return nullptr;
}
