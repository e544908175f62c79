// The text renderer on the real faces: which face stands in, how glyphs are
// scaled to the cell height and average width, what pixels it writes, where
// it clips, and how it reads code page 932.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "render/text.h"
#include "screens/faces.h"

namespace {

// "ＭＳ Ｐゴシック", the face of the dialogs.
constexpr const char* kFacePGothic = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
// "企画・開発　Ondaval"
constexpr const char kPlanning[] = "\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval";

struct Box {
    int32_t left = INT32_MAX;
    int32_t top = INT32_MAX;
    int32_t right = INT32_MIN;  // exclusive
    int32_t bottom = INT32_MIN;
    int32_t count = 0;
    bool Empty() const { return count == 0; }
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    void Add(int32_t x, int32_t y) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
        ++count;
    }
};

// A picture addressed top-down whatever its storage order.
struct Picture {
    int32_t width;
    int32_t height;
    bool bottom_up;
    std::vector<uint8_t> pixels;

    Picture(int32_t w, int32_t h, bool up = false, uint8_t fill = 0)
        : width(w), height(h), bottom_up(up), pixels(static_cast<std::size_t>(w * h), fill) {}

    Canvas AsCanvas() { return {pixels.data(), width, height, width, bottom_up}; }
    Rect All() const { return {0, 0, width, height}; }
    uint8_t& At(int32_t x, int32_t y) {
        return pixels[static_cast<std::size_t>((bottom_up ? height - 1 - y : y) * width + x)];
    }
    uint8_t At(int32_t x, int32_t y) const { return const_cast<Picture*>(this)->At(x, y); }

    // Every pixel that differs from before.
    Box Ink(uint8_t index) const {
        Box box;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (At(x, y) == index) {
                    box.Add(x, y);
                }
            }
        }
        return box;
    }
};

Box DrawAlone(const RenderFont* font, const char* text, std::size_t length, int32_t x = 40,
              int32_t y = 40, uint32_t flags = kTextPlain) {
    Picture picture(600, 260);
    DrawString(picture.AsCanvas(), font, x, y, text, length, 1, picture.All(), flags);
    return picture.Ink(1);
}

Box DrawAlone(const RenderFont* font, const char* text) {
    return DrawAlone(font, text, std::strlen(text));
}

int32_t Width(const RenderFont* font, const char* text, uint32_t flags = kTextPlain) {
    return TextWidth(font, text, std::strlen(text), flags);
}

TEST(RenderFaces, WindowsFacesDrawWithTheirStandIns) {
    const RenderFontInfo times = DescribeRenderFont(OpenRenderFont(kFaceTimes, 50, 20));
    EXPECT_STREQ(times.family, "Liberation Serif");
    EXPECT_FALSE(times.synthetic_bold) << "the family's own bold face: " << times.file;
    EXPECT_NE(std::string(times.file).find("Bold"), std::string::npos) << times.file;

    const RenderFontInfo mincho = DescribeRenderFont(OpenRenderFont(kFaceMincho, 50, 20));
    EXPECT_STREQ(mincho.family, "IPAMincho");
    EXPECT_TRUE(mincho.synthetic_bold);

    const RenderFontInfo gothic = DescribeRenderFont(OpenRenderFont(kFaceGothic, 16, 8));
    EXPECT_STREQ(gothic.family, "IPAGothic");
    EXPECT_TRUE(gothic.synthetic_bold);

    const RenderFontInfo pgothic = DescribeRenderFont(OpenRenderFont(kFacePGothic, 12, 0, 400));
    EXPECT_STREQ(pgothic.family, "IPAPGothic");
    EXPECT_FALSE(pgothic.synthetic_bold) << "regular weight asked";

    const RenderFont* system = OpenRenderFont("System", 0, 0, 400);
    EXPECT_STREQ(DescribeRenderFont(system).family, "Liberation Sans");
    EXPECT_FALSE(DescribeRenderFont(system).synthetic_bold);
    EXPECT_EQ(CellHeight(system), 16);
}

TEST(RenderMetrics, CellHeightMapsTheWindowsAscentAndDescent) {
    // Liberation Serif, like Times New Roman: usWinAscent 1825, usWinDescent 443.
    const RenderFont* digits = OpenRenderFont(kFaceTimes, 140, 60);
    EXPECT_EQ(CellHeight(digits), 140);
    EXPECT_NEAR(FontAscent(digits), 140.0 * 1825 / 2268, 0.5);

    // A glyph standing on the baseline ends exactly at the ascent below the
    // top of the cell.
    const RenderFont* times = OpenRenderFont(kFaceTimes, 50, 20);
    const Box h = DrawAlone(times, "H", 1, 100, 30);
    EXPECT_EQ(h.bottom, 30 + FontAscent(times));
    EXPECT_GE(h.left, 100);
    EXPECT_LE(h.left, 104);
}

TEST(RenderMetrics, EveryGlyphFitsItsCell) {
    // "漢字あｱ｜" with descenders, brackets and rules. (Liberation Serif's "g",
    // "y" and "|" reach 452 units below the baseline, past the face's own
    // usWinDescent of 443, so they may take one row more.)
    const std::string japanese = "\x8a\xbf\x8e\x9a\x82\xa0\xb1\x81\x62gjpqy_()[]{}|";
    const std::pair<const char*, std::string> cases[] = {
        {kFaceTimes, "HIjpq_()[]{}$@"}, {kFaceMincho, japanese}, {kFaceGothic, japanese}};
    for (const auto& [face, text] : cases) {
        for (int32_t height : {16, 50, 140}) {
            const RenderFont* font = OpenRenderFont(face, height, height / 2);
            const Box ink = DrawAlone(font, text.data(), text.size(), 10, 60);
            ASSERT_FALSE(ink.Empty());
            EXPECT_GE(ink.top, 60) << face << " " << height;
            EXPECT_LE(ink.bottom, 60 + height) << face << " " << height;
            // The ink takes most of the cell: the glyphs are not drawn small.
            EXPECT_GE(ink.Height(), height * 3 / 4) << face << " " << height;
        }
    }
}

TEST(RenderMetrics, TimesTakesTheAverageWidthWindowsUsesAndStretchesOnlyTheWidth) {
    // Times New Roman Bold's digits are 1024 of 2048 units wide and its
    // average character width is about 874 units (the lowercase-weighted
    // average), so a 60-pixel average width makes a digit about 70 pixels
    // wide. Liberation's own xAvgCharWidth (1180) would give 52.
    const RenderFont* digits = OpenRenderFont(kFaceTimes, 140, 60);
    EXPECT_NEAR(DescribeRenderFont(digits).average_width_units, 874, 10);
    EXPECT_NEAR(Width(digits, "0"), 70, 2);
    EXPECT_NEAR(Width(digits, "0123456789"), 703, 12);
    const Box wide = DrawAlone(digits, "0");
    const Box narrow = DrawAlone(OpenRenderFont(kFaceTimes, 140, 30), "0");
    EXPECT_NEAR(static_cast<double>(narrow.Width()) / wide.Width(), 0.5, 0.1);
    EXPECT_NEAR(narrow.Height(), wide.Height(), 2);
}

TEST(RenderMetrics, JapaneseFacesAreFixedPitchAtTheWidth) {
    for (const char* face : {kFaceGothic, kFaceMincho}) {
        const RenderFont* regular = OpenRenderFont(face, 16, 8, 400);
        EXPECT_EQ(Width(regular, "A"), 8) << face;
        EXPECT_EQ(Width(regular, "i"), 8) << face;
        EXPECT_EQ(Width(regular, "\xb1"), 8) << face << ": half-width katakana";
        EXPECT_EQ(Width(regular, "\x82\xa0"), 16) << face << ": a full-width kana";
        const RenderFont* large = OpenRenderFont(face, 50, 20, 400);
        EXPECT_EQ(Width(large, "W"), 20) << face;
        EXPECT_EQ(Width(large, "\x8a\xe9"), 40) << face;
        // The synthesised bold adds one pixel to every advance.
        const RenderFont* bold = OpenRenderFont(face, 50, 20, 700);
        EXPECT_EQ(Width(bold, kPlanning), Width(large, kPlanning) + 13) << face;
    }
}

TEST(RenderBold, SyntheticBoldStrikesTheGlyphAgainOnePixelRight) {
    for (const char* text : {"l", "\x8a\xbf", "W"}) {
        Picture regular(300, 120);
        Picture bold(300, 120);
        DrawString(regular.AsCanvas(), OpenRenderFont(kFaceGothic, 50, 20, 400), 20, 20, text,
                   std::strlen(text), 9, regular.All());
        DrawString(bold.AsCanvas(), OpenRenderFont(kFaceGothic, 50, 20, 700), 20, 20, text,
                   std::strlen(text), 9, bold.All());
        int32_t differences = 0;
        for (int32_t y = 0; y < 120; ++y) {
            for (int32_t x = 1; x < 300; ++x) {
                const bool expected = regular.At(x, y) == 9 || regular.At(x - 1, y) == 9;
                differences += expected != (bold.At(x, y) == 9);
            }
        }
        EXPECT_EQ(differences, 0) << text;
        EXPECT_GT(bold.Ink(9).count, regular.Ink(9).count) << text;
    }
}

TEST(RenderInk, OnlyTheInkEntryIsWrittenUnsmoothedAndTheBackgroundShowsThrough) {
    Picture stars(512, 200, true);
    for (std::size_t k = 0; k < stars.pixels.size(); k += 5) {
        stars.pixels[k] = static_cast<uint8_t>(k % 253 + 1);
    }
    Picture drawn = stars;
    DrawString(drawn.AsCanvas(), OpenRenderFont(kFaceMincho, 50, 25), 0, 40, kPlanning,
               std::strlen(kPlanning), 255, drawn.All());
    int32_t inked = 0;
    int32_t stars_kept = 0;
    for (std::size_t k = 0; k < stars.pixels.size(); ++k) {
        ASSERT_TRUE(drawn.pixels[k] == stars.pixels[k] || drawn.pixels[k] == 255) << k;
        inked += drawn.pixels[k] != stars.pixels[k];
        stars_kept += stars.pixels[k] != 0 && drawn.pixels[k] == stars.pixels[k];
    }
    EXPECT_GT(inked, 500);
    EXPECT_GT(stars_kept, 10000) << "no background is painted";
}

TEST(RenderClip, NothingIsWrittenOutsideTheClipOrTheCanvas) {
    const RenderFont* font = OpenRenderFont(kFaceTimes, 80, 50);
    const char* text = "WWWWWWWWWWWW";

    // Right edge of a bottom-up canvas: a pixel past column 511 would land at
    // the start of the row above.
    Picture right(512, 160, true, 3);
    DrawString(right.AsCanvas(), font, 470, 40, text, std::strlen(text), 200, right.All());
    const Box ink = right.Ink(200);
    EXPECT_EQ(ink.right, 512);
    EXPECT_GE(ink.left, 470);

    // A clip rectangle inside the canvas.
    Picture clipped(400, 200, true, 3);
    const Rect clip{100, 60, 180, 110};
    DrawString(clipped.AsCanvas(), font, 20, 40, text, std::strlen(text), 200, clip);
    const Box clipped_ink = clipped.Ink(200);
    ASSERT_FALSE(clipped_ink.Empty());
    EXPECT_GE(clipped_ink.left, clip.left);
    EXPECT_LE(clipped_ink.right, clip.right);
    EXPECT_GE(clipped_ink.top, clip.top);
    EXPECT_LE(clipped_ink.bottom, clip.bottom);
}

TEST(RenderDecode, InvalidBytesNeverReadPastTheLength) {
    const RenderFont* font = OpenRenderFont(kFaceGothic, 16, 8);
    // Each text sits in a heap block of exactly its length, so reading one
    // byte more is caught by the address sanitizer.
    const std::string texts[] = {"\x81", "\x82\x20",    "\x80\xff\xfd\xa0", std::string("A\x81"),
                                 "\x82", "\xef\x40\x81"};
    for (const std::string& text : texts) {
        auto block = std::make_unique<char[]>(text.size());
        std::memcpy(block.get(), text.data(), text.size());
        Picture picture(200, 40);
        DrawString(picture.AsCanvas(), font, 0, 0, block.get(), text.size(), 1, picture.All());
        EXPECT_GT(TextWidth(font, block.get(), text.size()), 0);
    }
    // A double-byte character cut by the length is one replacement, the same
    // as any other byte that starts no character.
    auto cut = std::make_unique<char[]>(1);
    cut[0] = '\x82';
    EXPECT_EQ(TextWidth(font, cut.get(), 1), Width(font, "\x80"));
    EXPECT_EQ(Width(font, "\x82\x20"), Width(font, "\x80") + Width(font, " "));
    // Zero bytes draw nothing.
    EXPECT_EQ(TextWidth(font, "abc", 0), 0);
    EXPECT_TRUE(DrawAlone(font, "abc", 0).Empty());
}

TEST(RenderJapanese, TheSystemFontDrawsJapaneseNames) {
    // The ranking rows are drawn in the system font; a player's Japanese name
    // must show as its own characters, not as boxes.
    const RenderFont* system = OpenRenderFont("System", 16, 0);
    const char te[] = "\x83\x65";  // テ
    const char su[] = "\x83\x58";  // ス
    Picture a(40, 30);
    Picture b(40, 30);
    DrawString(a.AsCanvas(), system, 2, 2, te, 2, 1, a.All());
    DrawString(b.AsCanvas(), system, 2, 2, su, 2, 1, b.All());
    EXPECT_GT(std::count(a.pixels.begin(), a.pixels.end(), 1), 10);
    EXPECT_NE(a.pixels, b.pixels) << "two kana drawn alike: a missing-glyph box";
    EXPECT_GT(TextWidth(system, te, 2), TextWidth(system, "i", 1));
}

TEST(RenderPrefix, AmpersandUnderlinesTheNextCharacter) {
    const RenderFont* font = OpenRenderFont(kFaceTimes, 50, 20);
    EXPECT_EQ(Width(font, "A&&B", kTextPrefix), Width(font, "A&B"));
    EXPECT_EQ(Width(font, "&A", kTextPrefix), Width(font, "A"));
    EXPECT_EQ(Width(font, "&A"), Width(font, "&") + Width(font, "A"));

    const Box plain = DrawAlone(font, "A", 1, 40, 40);
    const Box prefixed = DrawAlone(font, "&A", 2, 40, 40, kTextPrefix);
    EXPECT_GT(prefixed.count, plain.count);
    EXPECT_GT(prefixed.bottom, 40 + FontAscent(font)) << "a line below the baseline";
    EXPECT_LE(prefixed.bottom, 40 + CellHeight(font));
}

}  // namespace
