// The Japanese faces the browser build ships cut down (cmake/font-cuts.cmake) against the whole
// faces: the Mincho's list holds exactly the texts the screens draw in Mincho, and each cut face
// draws everything the game can draw with it pixel for pixel as the whole face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/scenes.h"
#include "dialogs/pictures.h"
#include "null/shell.h"
#include "render/text.h"
#include "screens/faces.h"
#include "screens/screens.h"
#include "text/cp932.h"

namespace {

// Every character code page 932 holds, by the game's own decoder, in lines of 32.
std::vector<std::string> Cp932Lines() {
    std::vector<std::string> lines;
    int count = 0;
    for (int code = 0x20; code <= 0xFCFC; ++code) {
        const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
        const std::size_t length = code > 0xFF ? 2 : 1;
        const std::u32string decoded = DecodeCp932(pair + 2 - length, length);
        if (code != 0x7F && decoded.size() == 1 && decoded[0] != kReplacementCharacter) {
            if (count++ % 32 == 0) {
                lines.emplace_back();
            }
            lines.back().append(pair + 2 - length, length);
        }
    }
    return lines;
}

// Each text drawn in the font `open` gives, from the cut faces and from the whole ones,
// where the font must come from the cut face `file` if one is named.
void ExpectCutDrawsAsWhole(const std::string& what, const std::function<const RenderFont*()>& open,
                           const std::vector<std::string>& texts, const std::string& file,
                           uint32_t flags = kTextPlain) {
    std::vector<std::vector<uint8_t>> pictures[2];
    for (int cut = 1; cut >= 0; --cut) {  // whole faces last: fontconfig as it was
        ReleaseRenderFonts();
        cut ? setenv("FONTCONFIG_FILE", KOBARU_CUT_FONTS "/fonts.conf", 1)
            : unsetenv("FONTCONFIG_FILE");
        const RenderFont* font = open();
        EXPECT_TRUE(!cut || file.empty() || DescribeRenderFont(font).file == file)
            << what << " from " << DescribeRenderFont(font).file;
        for (const std::string& text : texts) {
            std::vector<uint8_t>& pixels = pictures[cut].emplace_back(1400 * 100);
            DrawString({pixels.data(), 1400, 100, 1400, false}, font, 10, 10, text.data(),
                       text.size(), 1, {0, 0, 1400, 100}, flags);
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        // A character the face lacks shows as .notdef's box, never as nothing.
        EXPECT_GT(std::count(pictures[1][i].begin(), pictures[1][i].end(), 1), 0) << what;
        EXPECT_TRUE(pictures[1][i] == pictures[0][i])
            << what << ": " << Cp932ToUtf8(texts[i].data(), texts[i].size());
    }
}

TEST(FontCuts, CutFacesDrawWhatTheGameDrawsAsTheWholeFaces) {
    ResetWorld();
    ResetGame();
    DrawTitleScreen();
    DrawDrillScreen();
    DrawEndingScreen();
    std::vector<std::pair<Call, Call>> texts;  // each with the font selected for it
    std::vector<Call> selected;
    for (const Call& call : fake.calls) {
        if (call.kind == "font") {
            selected.push_back(call);
        } else if (call.kind == "release") {
            selected.pop_back();
        } else if ((call.kind == "text" || call.kind == "centred") && !selected.empty()) {
            texts.push_back({selected.back(), call});
        }
    }
    const std::vector<std::string> all = Cp932Lines();
    std::set<std::string> mincho_texts, listed;
    std::set<std::pair<int32_t, int32_t>> gothic_sizes;
    for (const auto& [font, text] : texts) {
        const auto open = [f = font] { return OpenRenderFont(f.text.c_str(), f.a, f.b, 700); };
        const std::string size = std::to_string(font.a) + "x" + std::to_string(font.b);
        if (font.text == kFaceMincho) {
            mincho_texts.insert(Cp932ToUtf8(text.text.data(), text.text.size()));
            ExpectCutDrawsAsWhole("Mincho " + size, open, {text.text}, KOBARU_MINCHO_CUT,
                                  text.kind == "centred" ? kTextPrefix : kTextPlain);
        } else if (font.text == kFaceGothic && gothic_sizes.insert({font.a, font.b}).second) {
            ExpectCutDrawsAsWhole("Gothic " + size, open, all, KOBARU_GOTHIC_CUT);
        }
    }
    EXPECT_GE(gothic_sizes.size(), 2u);
    // The dialogs': the controls' face, and the ranking rows' system font,
    // whose Japanese comes from the gothic.
    ExpectCutDrawsAsWhole(
        "controls", [] { return OpenDialogFonts().controls; }, all, KOBARU_PGOTHIC_CUT);
    ExpectCutDrawsAsWhole(
        "ranking rows", [] { return OpenDialogFonts().system; }, all, "");
    // The Mincho is cut to its list: exactly the texts the screens draw in it.
    std::ifstream list(KOBARU_MINCHO_TEXTS);
    for (std::string line; std::getline(list, line);) {
        listed.insert(line);
    }
    EXPECT_EQ(listed, mincho_texts) << KOBARU_MINCHO_TEXTS;
}

}  // namespace
