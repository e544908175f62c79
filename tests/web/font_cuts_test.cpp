// The Japanese faces the browser build ships cut down (cmake/font-cuts.cmake) against the whole
// faces: the Mincho's list holds exactly the texts the screens draw in Mincho, and each cut face
// draws everything the game can draw with it pixel for pixel as the whole face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/scenes.h"
#include "dialogs/pictures.h"
#include "render/cp932.h"
#include "render/text.h"
#include "screens/faces.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

// "ＭＳ Ｐゴシック", the dialogs' face.
constexpr const char* kFacePGothic = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

struct ScreenText {
    std::string text;  // code page 932
    int32_t height, width;
    bool centred;
};

// Every text the three screens draw while a font of the face is selected,
// with that font's size, from their recorded operations.
std::vector<ScreenText> TextsDrawnIn(const char* face) {
    ResetWorld();
    ResetGame();
    DrawTitleScreen();
    DrawDrillScreen();
    DrawEndingScreen();
    std::vector<ScreenText> texts;
    std::vector<Call> selected;
    for (const Call& call : fake.calls) {
        if (call.kind == "font") {
            selected.push_back(call);
        } else if (call.kind == "release") {
            selected.pop_back();
        } else if ((call.kind == "text" || call.kind == "centred") && !selected.empty() &&
                   selected.back().text == face) {
            texts.push_back(
                {call.text, selected.back().a, selected.back().b, call.kind == "centred"});
        }
    }
    return texts;
}

// Every character code page 932 holds, by the game's own decoder, in lines
// of 32 characters.
std::vector<std::string> Cp932Lines() {
    std::vector<std::string> codes;
    for (int byte = 0x20; byte <= 0xDF; ++byte) {
        if (byte < 0x7F || byte >= 0xA1) {
            codes.push_back(std::string(1, static_cast<char>(byte)));
        }
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            std::size_t at = 0;
            if (DecodeCp932Char(code, 2, at) != kReplacementCharacter && at == 2) {
                codes.emplace_back(code, 2);
            }
        }
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i % 32 == 0) {
            lines.emplace_back();
        }
        lines.back() += codes[i];
    }
    return lines;
}

// A font as the game opens it, and what the game can draw with it.
struct FontUse {
    std::string what;
    std::function<const RenderFont*()> open;
    std::vector<std::string> texts;
    uint32_t flags;
    std::string cut_file;  // the cut face it must be drawn with, if any
};

std::vector<FontUse> Uses() {
    std::vector<FontUse> uses;
    for (const ScreenText& text : TextsDrawnIn(kFaceMincho)) {
        uses.push_back(
            {"Mincho " + std::to_string(text.height) + " x " + std::to_string(text.width),
             [=] { return OpenRenderFont(kFaceMincho, text.height, text.width, 700); },
             {text.text},
             text.centred ? kTextPrefix : kTextPlain,
             KOBARU_CUT_FONTS "/ipam.ttf"});
    }
    const std::vector<std::string> every_character = Cp932Lines();
    std::vector<ScreenText> gothic = TextsDrawnIn(kFaceGothic);
    std::sort(gothic.begin(), gothic.end(), [](const ScreenText& a, const ScreenText& b) {
        return a.height != b.height ? a.height < b.height : a.width < b.width;
    });
    for (std::size_t i = 0; i < gothic.size(); ++i) {
        if (i > 0 && gothic[i].height == gothic[i - 1].height &&
            gothic[i].width == gothic[i - 1].width) {
            continue;
        }
        const ScreenText font = gothic[i];
        uses.push_back(
            {"Gothic " + std::to_string(font.height) + " x " + std::to_string(font.width),
             [=] { return OpenRenderFont(kFaceGothic, font.height, font.width, 700); },
             every_character, kTextPlain, KOBARU_CUT_FONTS "/ipag.ttf"});
    }
    // The dialogs': the controls' face, and the ranking rows' system font,
    // whose Japanese comes from the gothic.
    uses.push_back({"the dialogs' controls", [] { return OpenDialogFonts().controls; },
                    every_character, kTextPlain, KOBARU_CUT_FONTS "/ipagp.ttf"});
    uses.push_back({"the ranking's rows", [] { return OpenDialogFonts().system; }, every_character,
                    kTextPlain, ""});
    return uses;
}

std::vector<uint8_t> Draw(const FontUse& use, const RenderFont* font, const std::string& text) {
    constexpr int32_t kWidth = 1400, kHeight = 100;
    std::vector<uint8_t> pixels(kWidth * kHeight);
    DrawString({pixels.data(), kWidth, kHeight, kWidth, false}, font, 10, 10, text.data(),
               text.size(), 1, {0, 0, kWidth, kHeight}, use.flags);
    return pixels;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

TEST(FontCuts, MinchoListHoldsExactlyTheTextsTheScreensDrawInMincho) {
    std::vector<std::string> drawn;
    for (const ScreenText& text : TextsDrawnIn(kFaceMincho)) {
        drawn.push_back(Cp932ToUtf8(text.text.data(), text.text.size()));
    }
    std::ifstream list(KOBARU_MINCHO_TEXTS);
    std::vector<std::string> listed;
    for (std::string line; std::getline(list, line);) {
        listed.push_back(line);
    }
    EXPECT_EQ(Sorted(listed), Sorted(drawn));
}

TEST(FontCuts, CutFacesDrawWhatTheGameDrawsAsTheWholeFaces) {
    const std::vector<FontUse> uses = Uses();
    ASSERT_GE(uses.size(), 10u);
    std::vector<std::vector<std::vector<uint8_t>>> whole;
    for (const FontUse& use : uses) {
        const RenderFont* font = use.open();
        whole.emplace_back();
        for (const std::string& text : use.texts) {
            whole.back().push_back(Draw(use, font, text));
        }
    }
    // The same fonts from a fontconfig that knows the cut faces instead.
    ReleaseRenderFonts();
    setenv("FONTCONFIG_FILE", KOBARU_CUT_FONTS "/fonts.conf", 1);
    for (std::size_t u = 0; u < uses.size(); ++u) {
        const FontUse& use = uses[u];
        const RenderFont* font = use.open();
        if (!use.cut_file.empty()) {
            EXPECT_EQ(DescribeRenderFont(font).file, use.cut_file) << use.what;
        }
        for (std::size_t t = 0; t < use.texts.size(); ++t) {
            const std::vector<uint8_t> cut = Draw(use, font, use.texts[t]);
            // A character the face lacks shows as .notdef's box, never as nothing.
            EXPECT_GT(std::count(cut.begin(), cut.end(), 1), 0) << use.what << ": " << t;
            EXPECT_TRUE(cut == whole[u][t])
                << use.what << ": " << Cp932ToUtf8(use.texts[t].data(), use.texts[t].size());
        }
    }
    unsetenv("FONTCONFIG_FILE");
    ReleaseRenderFonts();
}

}  // namespace
