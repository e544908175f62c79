// The two result dialogs as their templates describe them (101, the name
// entry; 102, the ranking), and the ranking's rows as its procedure paints
// them: what every build's dialogs share.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/units.h"

// The captions, in UTF-8 for the window system.
// "ランクインしたよ～！！"
constexpr const char* kNameDialogCaption =
    "\xe3\x83\xa9\xe3\x83\xb3\xe3\x82\xaf\xe3\x82\xa4\xe3\x83\xb3\xe3\x81\x97\xe3\x81\x9f"
    "\xe3\x82\x88\xef\xbd\x9e\xef\xbc\x81\xef\xbc\x81";
// "これが道を極めた人たちです！！"
constexpr const char* kRankingDialogCaption =
    "\xe3\x81\x93\xe3\x82\x8c\xe3\x81\x8c\xe9\x81\x93\xe3\x82\x92\xe6\xa5\xb5\xe3\x82\x81"
    "\xe3\x81\x9f\xe4\xba\xba\xe3\x81\x9f\xe3\x81\xa1\xe3\x81\xa7\xe3\x81\x99\xef\xbc\x81"
    "\xef\xbc\x81";

// The templates' font, "ＭＳ Ｐゴシック" (code page 932), 9 point.
constexpr const char* kDialogFace = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

// Template 101 in dialog units: the client area, the edit field, OK.
constexpr UnitRect kNameDialogBox{0, 0, 119, 77};
constexpr UnitRect kNameFieldBox{13, 23, 93, 14};
constexpr UnitRect kNameOkBox{35, 56, 50, 14};

// Template 102: the client area, OK and the three headings, in template
// order (left to right they read Rank, Point, PlayerName).
constexpr UnitRect kRankingDialogBox{0, 0, 187, 155};
constexpr UnitRect kRankingOkBox{65, 125, 50, 14};
struct Heading {
    const char* text;
    UnitRect box;
};
constexpr Heading kRankingHeadings[] = {
    {"Rank", {10, 12, 20, 12}},
    {"PlayerName", {90, 12, 36, 8}},
    {"Point", {51, 12, 16, 8}},
};

// Row i of the ranking (0 to 4), in pixels of the client area: its number and
// score at x 14, the name at x 150, both at y 50 + 22 i, in the default font.
constexpr int32_t kRankingScoreX = 14;
constexpr int32_t kRankingNameX = 150;
constexpr int32_t RankingRowY(int row) {
    return 50 + 22 * row;
}

// "No. 1  000000005": the row's number, two spaces, the score zero-padded to
// nine characters, its sign inside them, a longer score whole.
std::string RankingRowText(int row, int32_t points);
