// The frame surface on a real DIB section and the screens' text operations on
// GDI, with the fonts the test prefix maps the game's faces to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "screens/faces.h"
#include "screens/text_ops.h"
#include "tests/win/win_test_support.h"
#include "win/wide_text.h"

namespace {

using SurfaceTest = ProgramWindowTest;
using TextTest = ProgramWindowTest;

uint8_t IndexAt(int x, int y) {
    GdiFlush();
    return FramePixels()[static_cast<std::size_t>(511 - y) * 512 + static_cast<std::size_t>(x)];
}

Pixel ColourAt(int x, int y) {
    const COLORREF c = GetPixel(FrameDC(), x, y);
    return MakePixel(GetRValue(c), GetGValue(c), GetBValue(c));
}

TEST_F(SurfaceTest, OneBlockHoldsHeaderPaletteAndStarField) {
    uint8_t* block = SurfaceBlock();
    ASSERT_NE(block, nullptr);
    EXPECT_GE(GlobalSize(block), 526376u);

    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 512);
    EXPECT_EQ(header.biHeight, 512) << "positive: rows bottom-up";
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header.biSizeImage, 0u);
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_EQ(header.biClrImportant, 0u);

    const std::vector<Pixel> expected = ExpectedPalette();
    for (int i = 0; i < 256; ++i) {
        const uint8_t* quad = block + 40 + 4 * i;  // blue, green, red, reserved
        ASSERT_EQ(MakePixel(quad[2], quad[1], quad[0]), expected[i]) << "entry " << i;
        ASSERT_EQ(quad[3], 0) << "entry " << i;
    }
    EXPECT_EQ(star_field, block + 40 + 1024 + 262144) << "the core fills the block's field";
}

TEST_F(SurfaceTest, BitmapIsABlack8BitBottomUpDibWithTheGamePalette) {
    DIBSECTION dib;
    ASSERT_EQ(GetObjectW(FrameBitmap(), sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmBits, FramePixels());
    EXPECT_EQ(dib.dsBm.bmWidth, 512);
    EXPECT_EQ(dib.dsBm.bmHeight, 512);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 8);
    EXPECT_EQ(dib.dsBmih.biHeight, 512);

    RGBQUAD quads[256];
    ASSERT_EQ(GetDIBColorTable(FrameDC(), 0, 256, quads), 256u);
    const std::vector<Pixel> expected = ExpectedPalette();
    EXPECT_EQ(MakePixel(quads[1].rgbRed, quads[1].rgbGreen, quads[1].rgbBlue),
              MakePixel(169, 163, 190));
    EXPECT_EQ(MakePixel(quads[2].rgbRed, quads[2].rgbGreen, quads[2].rgbBlue),
              MakePixel(132, 193, 236));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(MakePixel(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue), expected[i])
            << "entry " << i;
    }
    EXPECT_TRUE(std::all_of(FramePixels(), FramePixels() + kStarFieldBytes, [](uint8_t index) {
        return index == 0;
    })) << "the surface starts black";
}

TEST_F(SurfaceTest, StarFieldBytesLandBottomUpAndReplaceThePicture) {
    const std::vector<Pixel> palette = ExpectedPalette();
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceTimes, 60, 30);
    DrawTextAt(10, 10, "Old frame", 9);
    ReleaseScreenFont(font);

    std::memset(star_field, 0, kStarFieldBytes);
    star_field[0] = 7;
    star_field[511] = 9;
    star_field[261632] = 11;
    star_field[512 * 100 + 3] = 200;
    CopyStarField();
    GdiFlush();
    EXPECT_EQ(std::memcmp(FramePixels(), star_field, kStarFieldBytes), 0)
        << "nothing of the old frame survives";
    EXPECT_EQ(ColourAt(0, 511), palette[7]) << "byte 0 is the bottom-left corner";
    EXPECT_EQ(ColourAt(511, 511), palette[9]) << "byte 511 is the bottom-right corner";
    EXPECT_EQ(ColourAt(0, 0), palette[11]) << "byte 261,632 is the top-left corner";
    EXPECT_EQ(ColourAt(3, 411), palette[200]);
    EXPECT_EQ(ColourAt(1, 511), 0u);
}

TEST_F(SurfaceTest, ReleaseDeletesTheDcAndTheBitmap) {
    HDC dc = FrameDC();
    HBITMAP bitmap = FrameBitmap();
    ASSERT_NE(GetObjectType(dc), 0u);
    ReleaseFrameSurface();
    EXPECT_EQ(GetObjectType(dc), 0u);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(FrameDC(), nullptr);
}

struct FontCase {
    const char* face;
    int32_t height;
    int32_t width;
};

// Every font the three screens use.
const FontCase kScreenFonts[] = {
    {kFaceTimes, 140, 60}, {kFaceTimes, 60, 30},  {kFaceTimes, 32, 16},  {kFaceTimes, 80, 50},
    {kFaceMincho, 80, 30}, {kFaceMincho, 16, 8},  {kFaceGothic, 16, 8},  {kFaceGothic, 50, 20},
    {kFaceTimes, 50, 20},  {kFaceMincho, 50, 25}, {kFaceMincho, 50, 20},
};

TEST_F(TextTest, FontsCarryTheFixedAttributesAndAreReleasedCleanly) {
    HGDIOBJ system_font = GetStockObject(SYSTEM_FONT);
    ASSERT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), system_font);
    for (const FontCase& c : kScreenFonts) {
        SCOPED_TRACE(std::to_string(c.height) + "/" + std::to_string(c.width));
        const ScreenFont font = SelectScreenFont(c.face, c.height, c.width);
        EXPECT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), font.created);
        EXPECT_EQ(font.replaced, system_font);

        LOGFONTW attributes;
        ASSERT_EQ(GetObjectW(static_cast<HGDIOBJ>(font.created), sizeof attributes, &attributes),
                  static_cast<int>(sizeof attributes));
        EXPECT_EQ(attributes.lfHeight, c.height);
        EXPECT_EQ(attributes.lfWidth, c.width);
        EXPECT_EQ(attributes.lfEscapement, 0);
        EXPECT_EQ(attributes.lfOrientation, 0);
        EXPECT_EQ(attributes.lfWeight, 700);
        EXPECT_EQ(attributes.lfItalic, 0);
        EXPECT_EQ(attributes.lfUnderline, 0);
        EXPECT_EQ(attributes.lfStrikeOut, 0);
        EXPECT_EQ(attributes.lfCharSet, DEFAULT_CHARSET);
        EXPECT_EQ(attributes.lfOutPrecision, OUT_DEFAULT_PRECIS);
        EXPECT_EQ(attributes.lfClipPrecision, CLIP_DEFAULT_PRECIS);
        EXPECT_EQ(attributes.lfQuality, DEFAULT_QUALITY);
        EXPECT_EQ(attributes.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
        EXPECT_EQ(std::wstring(attributes.lfFaceName), WideFromCp932(c.face, std::strlen(c.face)));

        // The mapper found a face and scaled it to the cell height and the
        // average width asked for.
        TEXTMETRICW metrics;
        ASSERT_TRUE(GetTextMetricsW(FrameDC(), &metrics));
        // Wine's scaler can round the cell a pixel short.
        EXPECT_NEAR(metrics.tmHeight, c.height, 1);
        EXPECT_NEAR(metrics.tmAveCharWidth, c.width, 1);
        EXPECT_GE(metrics.tmWeight, 700);

        ReleaseScreenFont(font);
        EXPECT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), system_font);
        EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(font.created)), 0u) << "deleted";
    }
}

TEST_F(TextTest, JapaneseFacesReachGdiByTheirJapaneseNames) {
    // A face name that reached GDI as mojibake would leave the mapper to a
    // Latin face without these glyphs.
    const std::wstring tagline = L"～　SPI（クレベリン検査）を倒すために　～";
    for (const char* face : {kFaceMincho, kFaceGothic}) {
        const ScreenFont font = SelectScreenFont(face, 16, 8);
        std::vector<WORD> glyphs(tagline.size());
        ASSERT_EQ(GetGlyphIndicesW(FrameDC(), tagline.data(), static_cast<int>(tagline.size()),
                                   glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS),
                  tagline.size());
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for character " << i;
        }
        TEXTMETRICW metrics;
        GetTextMetricsW(FrameDC(), &metrics);
        EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "a fixed-pitch face";
        ReleaseScreenFont(font);
    }
}

// The changed pixels after drawing on the given star field: each must be the
// ink entry, and there must be a glyph's worth of them.
int CountInkPixels(uint8_t ink_entry) {
    GdiFlush();
    int changed = 0;
    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        if (FramePixels()[k] != star_field[k]) {
            EXPECT_EQ(FramePixels()[k], ink_entry) << "pixel " << k;
            if (FramePixels()[k] != ink_entry) {
                return -1;
            }
            ++changed;
        }
    }
    return changed;
}

void FillStarPattern() {
    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        star_field[k] = k % 7 == 0 ? static_cast<uint8_t>((k / 7) % 252 + 1) : 0;
    }
}

TEST_F(TextTest, GlyphsAreWrittenUnsmoothedInTheInkEntryOverTheStars) {
    FillStarPattern();
    const char gothic_line[] = "TopPlayer:\x83\x65\x83\x58\x83\x67";  // テスト
    const char mincho_line[] = "\x8b\x5a\x8f\x70\x8b\xa6\x97\xcd\x81\x40Mirraq";
    struct Case {
        Rgb ink;
        uint8_t entry;
    };
    for (const Case ink : {Case{kWhite, 255}, Case{kRed, 253}}) {
        for (const FontCase& c : {FontCase{kFaceTimes, 140, 60}, FontCase{kFaceGothic, 16, 8},
                                  FontCase{kFaceMincho, 50, 20}}) {
            SCOPED_TRACE(std::to_string(ink.entry) + " " + std::to_string(c.height));
            CopyStarField();
            SetInk(ink.ink);
            const ScreenFont font = SelectScreenFont(c.face, c.height, c.width);
            DrawTextAt(20, 40, "Ans:-0013", 9);
            DrawTextAt(20, 200, gothic_line, sizeof gothic_line - 1);
            DrawCentredLine({0, 300, 512, 450}, mincho_line);
            ReleaseScreenFont(font);
            EXPECT_GT(CountInkPixels(ink.entry), 200);
        }
    }
}

TEST_F(TextTest, InkStaysInForceAcrossFrames) {
    SetInk(kRed);
    std::memset(star_field, 0, kStarFieldBytes);
    CopyStarField();
    const ScreenFont font = SelectScreenFont(kFaceTimes, 60, 30);
    DrawTextAt(50, 300, "   [Finish!!]", 13);
    ReleaseScreenFont(font);
    EXPECT_GT(CountInkPixels(253), 100);
}

struct InkBox {
    int left = 512, top = 512, right = -1, bottom = -1;  // inclusive
    int count = 0;
};

InkBox FindInk() {
    GdiFlush();
    InkBox box;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            if (IndexAt(x, y) != 0) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
        }
    }
    return box;
}

std::vector<uint8_t> Snapshot() {
    GdiFlush();
    return std::vector<uint8_t>(FramePixels(), FramePixels() + kStarFieldBytes);
}

void ClearSurface() {
    std::memset(star_field, 0, kStarFieldBytes);
    CopyStarField();
}

TEST_F(TextTest, DrawTextAtPutsTheFirstCellsTopLeftCornerAtThePoint) {
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceTimes, 60, 30);
    TEXTMETRICW metrics;
    GetTextMetricsW(FrameDC(), &metrics);

    ClearSurface();
    DrawTextAt(100, 200, "Miss :  12", 10);
    const InkBox at = FindInk();
    const std::vector<uint8_t> first = Snapshot();
    ASSERT_GT(at.count, 0);
    // The glyphs lie in the cells below and right of the point.
    EXPECT_GE(at.top, 200);
    EXPECT_LT(at.bottom, 200 + metrics.tmHeight);
    EXPECT_GE(at.left, 100 - 2);
    EXPECT_LE(at.left, 100 + metrics.tmAveCharWidth);

    // Moving the point moves the picture by exactly as much.
    ClearSurface();
    DrawTextAt(137, 251, "Miss :  12", 10);
    const std::vector<uint8_t> moved = Snapshot();
    int mismatches = 0;
    for (int y = 0; y + 51 < 512; ++y) {
        for (int x = 0; x + 37 < 512; ++x) {
            const uint8_t a = first[static_cast<std::size_t>(511 - y) * 512 + x];
            const uint8_t b = moved[static_cast<std::size_t>(511 - (y + 51)) * 512 + (x + 37)];
            mismatches += a != b;
        }
    }
    EXPECT_EQ(mismatches, 0);

    // A length of 1 draws one byte and nothing after it.
    ClearSurface();
    DrawTextAt(30, 340, "Press Return(Enter) Key", 1);
    const std::vector<uint8_t> one = Snapshot();
    ClearSurface();
    DrawTextAt(30, 340, "P", 1);
    EXPECT_EQ(one, Snapshot());
    ReleaseScreenFont(font);
}

TEST_F(TextTest, CentredLineSitsInTheMiddleOfItsRectangle) {
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceTimes, 80, 50);
    TEXTMETRICW metrics;
    GetTextMetricsW(FrameDC(), &metrics);
    const char text[] = "Ans:01234";
    SIZE extent;
    GetTextExtentPoint32W(FrameDC(), L"Ans:01234", 9, &extent);

    ClearSurface();
    DrawCentredLine({0, 350, 512, 450}, text);
    const std::vector<uint8_t> centred = Snapshot();

    // The same line drawn at the centred position by hand.
    const int left = (512 - extent.cx) / 2;
    const int top = 350 + (100 - metrics.tmHeight) / 2;
    bool matched = false;
    for (int dy = -1; dy <= 1 && !matched; ++dy) {
        for (int dx = -1; dx <= 1 && !matched; ++dx) {
            ClearSurface();
            DrawTextAt(left + dx, top + dy, text, 9);
            matched = Snapshot() == centred;
        }
    }
    EXPECT_TRUE(matched) << "centred within a pixel of (" << left << ", " << top << ")";
    ReleaseScreenFont(font);
}

TEST_F(TextTest, CentredLineIsCutAtBothSidesOfANarrowRectangle) {
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceTimes, 50, 20);
    const char text[] = "Press Return(Enter) Key!";
    TEXTMETRICW metrics;
    GetTextMetricsW(FrameDC(), &metrics);
    SIZE extent;
    GetTextExtentPoint32W(FrameDC(), L"Press Return(Enter) Key!", 24, &extent);
    ASSERT_GT(extent.cx, 300);

    ClearSurface();
    DrawCentredLine({200, 100, 300, 160}, text);
    const std::vector<uint8_t> clipped = Snapshot();

    // The whole line drawn unclipped at the same centred place, then cut to
    // the rectangle by hand, must give the same picture.
    const int left = 200 + (100 - extent.cx) / 2;
    const int top = 100 + (60 - metrics.tmHeight) / 2;
    bool matched = false;
    for (int dy = -1; dy <= 1 && !matched; ++dy) {
        for (int dx = -1; dx <= 1 && !matched; ++dx) {
            ClearSurface();
            DrawTextAt(left + dx, top + dy, text, 24);
            std::vector<uint8_t> cut = Snapshot();
            for (int y = 0; y < 512; ++y) {
                for (int x = 0; x < 512; ++x) {
                    if (x < 200 || x >= 300 || y < 100 || y >= 160) {
                        cut[static_cast<std::size_t>(511 - y) * 512 + x] = 0;
                    }
                }
            }
            matched = cut == clipped;
        }
    }
    ReleaseScreenFont(font);
    EXPECT_TRUE(matched);
    ClearSurface();
}

}  // namespace
