// The portable renderer on the real faces, and the frame surface it draws on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/random_source.h"
#include "core/scenes.h"
#include "null/shell.h"
#include "render/surface.h"
#include "render/text.h"
#include "screens/faces.h"
#include "screens/screens.h"

static bool counting = false;
static long allocations = 0;

// Out of line, so that the compiler never pairs an inlined free with new.
[[gnu::noinline]] void* operator new(std::size_t size) {
    allocations += counting;
    void* p = std::malloc(size ? size : 1);
    return p ? p : throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}

[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// "ＭＳ Ｐゴシック", the face of the dialogs.
constexpr const char* kFacePGothic = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
// "企画・開発　Ondaval": 13 characters, 6 of them full-width.
constexpr std::string_view kPlanning = "\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval";

struct Box {
    int32_t left = 9999, top = 9999, right = -1, bottom = -1, count = 0;  // right, bottom past
};

struct Picture {
    int32_t width, height;
    std::vector<uint8_t> pixels;
    Picture(int32_t w, int32_t h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h)) {}
    uint8_t At(int32_t x, int32_t y) const { return pixels[y * width + x]; }
    Picture& Draw(const RenderFont* font, int32_t x, int32_t y, std::string_view text,
                  uint32_t flags = kTextPlain, uint8_t ink = 1) {
        DrawString({pixels.data(), width, height, width, false}, font, x, y, text.data(),
                   text.size(), ink, {0, 0, width, height}, flags);
        return *this;
    }
    Box Ink() const {
        Box box;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (At(x, y) != 0) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1), box.count + 1};
                }
            }
        }
        return box;
    }
};

Box DrawAlone(const RenderFont* font, std::string_view text, int32_t x = 40, int32_t y = 40) {
    return Picture(600, 260).Draw(font, x, y, text).Ink();
}

int32_t Width(const RenderFont* font, std::string_view text, uint32_t flags = kTextPlain) {
    return TextWidth(font, text.data(), text.size(), flags);
}

TEST(RenderFaces, WindowsFacesDrawWithTheirStandIns) {
    const char* faces[] = {kFaceTimes, kFaceMincho, kFaceGothic, kFacePGothic, "System"};
    const char* families[] = {"Liberation Serif", "IPAMincho", "IPAGothic", "IPAPGothic",
                              "Liberation Sans"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(DescribeRenderFont(OpenRenderFont(faces[i], 16, 8, 400)).family, families[i]);
    }
    // Times has a bold face of its own; the system font is bold whatever the
    // weight asked, its height 0 is a 16-pixel cell, and it draws a Japanese
    // name as its own characters, not as missing-glyph boxes all alike.
    const RenderFont* system = OpenRenderFont("System", 0, 0, 400);
    for (const RenderFont* bold : {OpenRenderFont(kFaceTimes, 50, 20), system}) {
        const RenderFontInfo info = DescribeRenderFont(bold);
        EXPECT_NE(std::string(info.file).find("Bold"), std::string::npos) << info.file;
        EXPECT_FALSE(info.synthetic_bold) << info.file;
    }
    EXPECT_EQ(CellHeight(system), 16);
    const Picture te = Picture(40, 30).Draw(system, 2, 2, "\x83\x65");  // テ
    const Picture su = Picture(40, 30).Draw(system, 2, 2, "\x83\x58");  // ス
    EXPECT_GT(te.Ink().count, 10);
    EXPECT_NE(te.pixels, su.pixels);
}

TEST(RenderMetrics, GlyphsStandOnTheBaselineInsideTheirCell) {
    // Liberation Serif, like Times New Roman: usWinAscent 1825, usWinDescent 443.
    const RenderFont* times = OpenRenderFont(kFaceTimes, 140, 60);
    EXPECT_EQ(CellHeight(times), 140);
    EXPECT_NEAR(FontAscent(times), 140.0 * 1825 / 2268, 0.5);
    EXPECT_EQ(DrawAlone(times, "H", 100, 30).bottom, 30 + FontAscent(times));
    // "漢字あｱ｜" with descenders, brackets and rules. (Liberation Serif's "gy|"
    // reach 452 units below the baseline, past its usWinDescent of 443.)
    const std::string japanese = "\x8a\xbf\x8e\x9a\x82\xa0\xb1\x81\x62gjpqy_()[]{}|";
    const std::pair<const char*, std::string> cases[] = {
        {kFaceTimes, "HIjpq_()[]{}$@"}, {kFaceMincho, japanese}, {kFaceGothic, japanese}};
    for (const auto& [face, text] : cases) {
        for (int32_t height : {16, 50, 140}) {
            const Box ink = DrawAlone(OpenRenderFont(face, height, height / 2), text, 10, 60);
            EXPECT_GE(ink.top, 60) << face << " " << height;
            EXPECT_LE(ink.bottom, 60 + height) << face << " " << height;
            // The ink takes most of the cell: the glyphs are not drawn small.
            EXPECT_GE(ink.bottom - ink.top, height * 3 / 4) << face << " " << height;
        }
    }
}

TEST(RenderMetrics, TimesTakesTheAverageWidthWindowsUses) {
    // Times New Roman Bold's digits are 1024 of 2048 units wide and its
    // lowercase-weighted average width about 874 units, so at an average width
    // of 60 a digit is about 70 wide (52 with Liberation's xAvgCharWidth).
    const RenderFont* digits = OpenRenderFont(kFaceTimes, 140, 60);
    EXPECT_NEAR(DescribeRenderFont(digits).average_width_units, 874, 10);
    EXPECT_NEAR(Width(digits, "0"), 70, 2);
    EXPECT_NEAR(DrawAlone(OpenRenderFont(kFaceTimes, 140, 30), "0").top, DrawAlone(digits, "0").top,
                1)
        << "the width stretches the glyph one way only";
}

TEST(RenderMetrics, JapaneseFacesAreFixedPitchAtTheWidthAndBoldAddsAPixel) {
    const std::tuple<int32_t, int32_t, std::string_view, int32_t> cases[] = {
        {16, 8, "A", 8},         {16, 8, "i", 8},   {16, 8, "\xb1", 8},  // half-width ｱ
        {16, 8, "\x82\xa0", 16}, {50, 20, "W", 20}, {50, 20, "\x8a\xe9", 40}};
    for (const char* face : {kFaceGothic, kFaceMincho}) {
        for (const auto& [height, width, text, advance] : cases) {
            EXPECT_EQ(Width(OpenRenderFont(face, height, width, 400), text), advance) << text;
        }
        EXPECT_EQ(Width(OpenRenderFont(face, 50, 20, 700), kPlanning),
                  Width(OpenRenderFont(face, 50, 20, 400), kPlanning) + 13);
    }
}

TEST(RenderBold, RegularFacesEmboldenAsGdiDoesGrowingWithTheSize) {
    // The cell and ascent GDI gives the IPA faces at weight 700, as the
    // Windows program reports them under Wine with the same fonts: the em is
    // fitted into the asked height with the bold face's win metrics.
    const std::tuple<const char*, int32_t, int32_t, int32_t> metrics[] = {
        {kFaceMincho, 16, 15, 12},
        {kFaceMincho, 80, 80, 64},
        {kFaceGothic, 16, 16, 13},
        {kFaceGothic, 50, 49, 40}};
    for (const auto& [face, height, cell, ascent] : metrics) {
        const RenderFont* font = OpenRenderFont(face, height, height / 2, 700);
        EXPECT_EQ(CellHeight(font), cell) << face << " " << height;
        EXPECT_EQ(FontAscent(font), ascent) << face << " " << height;
    }
    // GDI thickens the outline by a 24th of the em, so a stem gains about one
    // pixel at 24, two at 48 and four at 96, where a fixed overstrike would
    // add one at every size.
    for (const int32_t height : {24, 48, 96}) {
        int32_t stems[2] = {0, 0};
        for (const int32_t weight : {400, 700}) {
            const RenderFont* font = OpenRenderFont(kFaceGothic, height, height / 2, weight);
            const Picture l = Picture(200, 200).Draw(font, 20, 20, "l");
            for (int32_t x = 0; x < 200; ++x) {
                stems[weight / 700] += l.At(x, 20 + FontAscent(font) / 2) != 0;
            }
        }
        EXPECT_NEAR(stems[1] - stems[0], height / 24.0, 1.0) << height;
    }
}

TEST(RenderDecode, InvalidBytesNeverReadPastTheLength) {
    const RenderFont* font = OpenRenderFont(kFaceGothic, 16, 8);
    // Each text sits in a heap block of exactly its length, so reading one
    // byte more is caught by the address sanitizer.
    for (const std::string_view text :
         {"\x81", "\x82\x20", "\x80\xff\xfd\xa0", "A\x81", "\x82", "\xef\x40\x81"}) {
        const std::vector<char> block(text.begin(), text.end());
        Picture(200, 40).Draw(font, 0, 0, {block.data(), block.size()});
        EXPECT_GT(Width(font, {block.data(), block.size()}), 0);
    }
    // A double-byte character cut short is one replacement, like any byte
    // that starts no character.
    EXPECT_EQ(Width(font, "\x82"), Width(font, "\x80"));
    EXPECT_EQ(Width(font, "\x82\x20"), Width(font, "\x80") + Width(font, " "));
    EXPECT_EQ(DrawAlone(font, {"abc", 0}).count, 0);
}

TEST(RenderPrefix, AmpersandUnderlinesTheNextCharacter) {
    const RenderFont* font = OpenRenderFont(kFaceTimes, 50, 20);
    EXPECT_EQ(Width(font, "A&&B", kTextPrefix), Width(font, "A&B"));
    EXPECT_EQ(Width(font, "&A", kTextPrefix), Width(font, "A"));
    // Erasing the plain "A" from the prefixed one leaves the underline: a
    // solid bar below the baseline under the whole advance.
    const Box bar = Picture(300, 120)
                        .Draw(font, 40, 40, "&A", kTextPrefix)
                        .Draw(font, 40, 40, "A", kTextPlain, 0)
                        .Ink();
    EXPECT_EQ(bar.left, 40);
    EXPECT_EQ(bar.right, 40 + Width(font, "A"));
    EXPECT_GT(bar.top, 40 + FontAscent(font));
    EXPECT_LE(bar.bottom, 40 + CellHeight(font));
    EXPECT_EQ(bar.count, (bar.right - bar.left) * (bar.bottom - bar.top));
}

TEST(Surface, InkTakesTheNearestPaletteEntryTheLowerOnATie) {
    random_source.state = 1;
    CreateFrameSurface();
    // Colour, then the entry it takes.
    const uint8_t entries[][4] = {{255, 255, 255, 255}, {255, 0, 0, 253},     {255, 128, 128, 253},
                                  {0, 0, 0, 0},         {200, 192, 224, 254}, {169, 163, 190, 1}};
    for (const auto& e : entries) {
        EXPECT_EQ(NearestPaletteEntry(frame_surface.palette, {e[0], e[1], e[2]}), e[3]);
    }
    Rgb palette[kPaletteEntries] = {{250, 250, 250}};
    palette[10] = {100, 100, 100};
    palette[20] = {120, 100, 100};
    EXPECT_EQ(NearestPaletteEntry(palette, {110, 100, 100}), 10);
    EXPECT_EQ(NearestPaletteEntry(palette, {111, 100, 100}), 20);
}

TEST(Surface, CentredLineCentresItsCellInTheInkCutToTheRectangle) {
    random_source.state = 1;
    CreateFrameSurface();
    // Byte k of the surface is column k mod 512, row 511 - k div 512 from
    // the top, as snapshots read it too.
    EXPECT_EQ(PixelOffset(3, 510), 515u);
    // A sparse field of every star colour, which ink must leave alone.
    for (std::size_t k = 0; k < kStarFieldBytes; k += 97) {
        star_field[k] = static_cast<uint8_t>(k / 97 % 253 + 1);
    }
    const std::tuple<int32_t, int32_t, Rect, const char*, bool> cases[] = {
        {50, 20, {100, 200, 400, 300}, "Play Number : 000000", false},
        {80, 50, {150, 100, 350, 200}, "Ans:123456789", true},   // wider than the rectangle
        {80, 50, {380, 300, 700, 400}, "Ans:123456789", false},  // past the right edge
        {140, 60, {168, -60, 228, 80}, "8", true},               // partly above the surface
        {140, 60, {300, 200, 360, 250}, "8", false},             // lower than the cell
    };
    for (const auto& [height, width, rect, text, red] : cases) {
        CopyStarField();
        SetInk(red ? kRed : kWhite);
        ScreenFont font = SelectScreenFont(kFaceTimes, height, width);
        DrawCentredLine(rect, text);
        ReleaseScreenFont(font);
        // Expected: the text drawn plainly, its cell's centre on the
        // rectangle's (halves down), where it falls inside the rectangle; the
        // stars elsewhere.
        const RenderFont* same = OpenRenderFont(kFaceTimes, height, width);
        const int32_t advance = TextWidth(same, text, std::strlen(text));
        const auto x = static_cast<int32_t>(std::floor((rect.left + rect.right - advance) / 2.0));
        const auto y =
            static_cast<int32_t>(std::floor((rect.top + rect.bottom - CellHeight(same)) / 2.0));
        const Picture plain = Picture(kSurfaceSize, kSurfaceSize).Draw(same, x, y, text);
        int32_t inked = 0;
        for (int32_t py = 0; py < kSurfaceSize; ++py) {
            for (int32_t px = 0; px < kSurfaceSize; ++px) {
                const bool ink = plain.At(px, py) && px >= rect.left && px < rect.right &&
                                 py >= rect.top && py < rect.bottom;
                const std::size_t k = (511 - py) * 512 + px;
                ASSERT_EQ(frame_surface.pixels[k], ink ? (red ? 253 : 255) : star_field[k])
                    << text << " in row " << rect.top << " at " << px << "," << py;
                inked += ink;
            }
        }
        EXPECT_GT(inked, 100) << text;
    }
    std::memset(star_field, 0, kStarFieldBytes);
}

long AllocationsIn(void (*draw)()) {
    allocations = 0;
    counting = true;
    CopyStarField();
    draw();
    counting = false;
    return allocations;
}

TEST(WarmFrames, ComposingAgainAllocatesNothing) {
    ResetWorld();
    CreateFrameSurface();
    StartFirstGame();
    // A running combo draws more lines in fonts of their own. The first
    // frame of a scene opens its fonts and renders the glyphs it needs.
    game.combo = 3;
    game.ans = 98765;
    const std::pair<const char*, void (*)()> scenes[] = {
        {"title", DrawTitleScreen}, {"drill", DrawDrillScreen}, {"ending", DrawEndingScreen}};
    for (const auto& [scene, draw] : scenes) {
        EXPECT_GT(AllocationsIn(draw), 0) << scene;
        EXPECT_EQ(AllocationsIn(draw), 0) << scene;
    }
}

}  // namespace
