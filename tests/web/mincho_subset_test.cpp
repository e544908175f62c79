// The Mincho face the browser build ships, cut down to web/mincho-texts.txt: the list holds the
// texts the screens draw in Mincho, and the cut face draws each one as the whole face does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/scenes.h"
#include "render/cp932.h"
#include "render/text.h"
#include "screens/faces.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace {

struct MinchoText {
    std::string text;  // code page 932
    int32_t height, width;
    bool centred;
};

// Every text the three screens draw while a Mincho font is selected, with
// that font's size, from their recorded operations.
std::vector<MinchoText> TextsDrawnInMincho() {
    ResetWorld();
    ResetGame();
    DrawTitleScreen();
    DrawDrillScreen();
    DrawEndingScreen();
    std::vector<MinchoText> texts;
    std::vector<Call> selected;
    for (const Call& call : fake.calls) {
        if (call.kind == "font") {
            selected.push_back(call);
        } else if (call.kind == "release") {
            selected.pop_back();
        } else if ((call.kind == "text" || call.kind == "centred") && !selected.empty() &&
                   selected.back().text == kFaceMincho) {
            texts.push_back(
                {call.text, selected.back().a, selected.back().b, call.kind == "centred"});
        }
    }
    return texts;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

struct Drawn {
    std::string file;
    std::vector<uint8_t> pixels;
};

// The text as the screens draw it, on a picture large enough for any of them.
Drawn Draw(const MinchoText& text) {
    constexpr int32_t kWidth = 1200, kHeight = 200;
    Drawn drawn{{}, std::vector<uint8_t>(kWidth * kHeight)};
    const RenderFont* font = OpenRenderFont(kFaceMincho, text.height, text.width, 700);
    drawn.file = DescribeRenderFont(font).file;
    DrawString({drawn.pixels.data(), kWidth, kHeight, kWidth, false}, font, 10, 10,
               text.text.data(), text.text.size(), 1, {0, 0, kWidth, kHeight},
               text.centred ? kTextPrefix : kTextPlain);
    return drawn;
}

TEST(MinchoSubset, ListsExactlyTheTextsTheScreensDrawInMincho) {
    std::vector<std::string> drawn;
    for (const MinchoText& text : TextsDrawnInMincho()) {
        drawn.push_back(Cp932ToUtf8(text.text.data(), text.text.size()));
    }
    std::ifstream list(KOBARU_MINCHO_TEXTS);
    std::vector<std::string> listed;
    for (std::string line; std::getline(list, line);) {
        listed.push_back(line);
    }
    EXPECT_EQ(Sorted(listed), Sorted(drawn));
}

TEST(MinchoSubset, CutFaceDrawsEveryTextAsTheWholeFace) {
    const std::vector<MinchoText> texts = TextsDrawnInMincho();
    ASSERT_GE(texts.size(), 6u);
    std::vector<Drawn> whole;
    for (const MinchoText& text : texts) {
        whole.push_back(Draw(text));
    }
    // The same faces from a fontconfig that knows the cut file alone.
    ReleaseRenderFonts();
    setenv("FONTCONFIG_FILE", KOBARU_CUT_FONTS "/fonts.conf", 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const Drawn cut = Draw(texts[i]);
        const std::string shown = Cp932ToUtf8(texts[i].text.data(), texts[i].text.size());
        EXPECT_EQ(cut.file, KOBARU_CUT_FONTS "/ipam.ttf") << shown;
        EXPECT_NE(whole[i].file, cut.file) << shown;
        EXPECT_GT(std::count(cut.pixels.begin(), cut.pixels.end(), 1), 100) << shown;
        EXPECT_TRUE(cut.pixels == whole[i].pixels)
            << shown << " at " << texts[i].height << " x " << texts[i].width;
    }
    unsetenv("FONTCONFIG_FILE");
    ReleaseRenderFonts();
}

}  // namespace
