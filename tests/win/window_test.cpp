// The main window, its frame surface and the screens' text operations on GDI,
// with the fonts the test prefix maps the game's faces to.

#include <algorithm>
#include <tuple>

#include "core/frontend.h"
#include "screens/faces.h"
#include "screens/text_ops.h"
#include "tests/win/win_test_support.h"

namespace {

using WindowTest = ProgramTest;

std::vector<uint8_t> Snapshot() {
    GdiFlush();
    return {FramePixels(), FramePixels() + kStarFieldBytes};
}

void ClearSurface() {
    std::memset(star_field, 0, kStarFieldBytes);
    CopyStarField();
}

// The palette from the generator's definition, not from the game's code:
// entries 1 to 253 drawn red, green, blue, then three fixed ones.
std::vector<Pixel> ExpectedPalette() {
    std::vector<Pixel> palette(256, 0);
    uint32_t state = 1;
    for (int draw = 0; draw < 253 * 3; ++draw) {
        state = state * 214013u + 2531011u;
        const uint32_t value = (state >> 16) & 0x7fff;
        Pixel& entry = palette[1 + draw / 3];
        entry = entry << 8 | (value % (draw % 3 == 2 ? 128 : 96) + 128);
    }
    palette[253] = 0xFF8080;
    palette[254] = 0xC8C0E0;
    palette[255] = 0xFFFFFF;
    return palette;
}

// The client pixels that differ from the image colour inside the 512 x 512
// square at (8, 8), or from light grey outside it.
template <typename ImageColour>
int CountWrongPixels(ImageColour image_colour) {
    const Picture shown = CaptureClient(main_window);
    EXPECT_GE(std::min(shown.width, shown.height), 520);
    int wrong = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const bool in_image = x >= 8 && x < 520 && y >= 8 && y < 520;
            wrong += shown.At(x, y) != (in_image ? image_colour(x - 8, y - 8) : 0xC0C0C0);
        }
    }
    return wrong;
}

// rank.txt holds the run's table, whose play number ends the file.
void ExpectSaved(int32_t play_number) {
    const std::vector<uint8_t> saved = ReadFileBytes("rank.txt");
    ASSERT_EQ(saved.size(), 1304u);
    EXPECT_EQ(std::memcmp(saved.data() + 1300, &play_number, 4), 0) << "little-endian";
}

TEST_F(WindowTest, FixedFrameOfTheGivenOuterSizeWithTheProgramsClass) {
    RECT outer;
    GetWindowRect(main_window, &outer);
    EXPECT_EQ(outer.right - outer.left, 540);
    EXPECT_EQ(outer.bottom - outer.top, 555);
    // Caption, system menu and minimise box; no sizing frame, no maximise
    // box, no menu; hidden until shown.
    const auto style = static_cast<DWORD>(GetWindowLongW(main_window, GWL_STYLE));
    EXPECT_EQ(style & (0x00FF0000u | WS_VISIBLE), 0x00CA0000u);
    EXPECT_EQ(GetWindowLongW(main_window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_EQ(GetMenu(main_window), nullptr);
    wchar_t text[32];
    GetWindowTextW(main_window, text, 32);
    EXPECT_STREQ(text, L"Kobaru");
    GetClassNameW(main_window, text, 32);
    EXPECT_STREQ(text, L"CWindow");
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    ASSERT_TRUE(GetClassInfoExW(instance, L"CWindow", &window_class));
    EXPECT_EQ(window_class.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(window_class.hCursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
    EXPECT_NE(window_class.hIcon, nullptr);
    EXPECT_EQ(window_class.hIcon, LoadIconW(instance, MAKEINTRESOURCEW(103)));
}

TEST_F(WindowTest, FirstPaintIsBlackAndEachFrameIsShownBeforeRepaintReturns) {
    ShowWindow(main_window, SW_SHOWNORMAL);
    UpdateWindow(main_window);
    EXPECT_EQ(CountWrongPixels([](int, int) { return 0u; }), 0) << "a black square";

    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        star_field[k] = static_cast<uint8_t>(k % 3 == 0 ? k / 3 : 0);  // every entry
    }
    CopyStarField();
    RepaintWindow();  // and no message is handled before the look
    const std::vector<Pixel> palette = ExpectedPalette();
    EXPECT_EQ(palette[1], 0xA9A3BEu);  // (169, 163, 190)
    EXPECT_EQ(palette[2], 0x84C1ECu);  // (132, 193, 236)
    EXPECT_EQ(CountWrongPixels([&palette](int x, int y) {
                  return palette[star_field[static_cast<std::size_t>(511 - y) * 512 + x]];
              }),
              0);
}

TEST_F(WindowTest, TheEndOfTheSessionAndClosingSaveTheRanking) {
    SetDefaultRankTable();
    rank_table.play_number = 7;
    // A cancelled shutdown keeps the program running and saves nothing.
    SendMessageW(main_window, WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(std::filesystem::exists("rank.txt"));
    SendMessageW(main_window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ExpectSaved(7);
    EXPECT_TRUE(IsWindow(main_window));

    rank_table.play_number = 42;
    HDC frame_dc = FrameDC();
    HBITMAP bitmap = FrameBitmap();
    SendMessageW(main_window, WM_CLOSE, 0, 0);  // the close box, Alt+F4
    EXPECT_FALSE(IsWindow(main_window));
    ExpectSaved(42);
    EXPECT_EQ(GetObjectType(frame_dc), 0u) << "the surface is released";
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(RunMessageLoop(), 0) << "WM_QUIT carries the exit code 0";
}

// GDI writes glyphs on the 8-bit surface in the palette entry nearest the
// ink and never smooths them, so every pixel a text changes is the ink entry.
TEST_F(WindowTest, FontsCarryTheFixedAttributesAndGlyphsAreWrittenInTheInkEntry) {
    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        star_field[k] = k % 7 == 0 ? static_cast<uint8_t>((k / 7) % 252 + 1) : 0;
    }
    const char gothic_line[] = "TopPlayer:\x83\x65\x83\x58\x83\x67";  // テスト
    const char mincho_line[] = "\x8b\x5a\x8f\x70\x8b\xa6\x97\xcd\x81\x40Mirraq";
    const std::pair<Rgb, uint8_t> inks[] = {{kWhite, 255}, {kRed, 253}};
    // One font of each face the screens use, and the face's name as GDI must
    // receive it.
    const std::tuple<const char*, const wchar_t*, int32_t, int32_t> fonts[] = {
        {kFaceTimes, L"Times New Roman", 140, 60},
        {kFaceGothic, L"ＭＳ ゴシック", 16, 8},
        {kFaceMincho, L"ＭＳ 明朝", 50, 20}};
    HGDIOBJ system_font = GetStockObject(SYSTEM_FONT);
    for (const auto& [ink, entry] : inks) {
        for (const auto& [face, gdi_face, height, width] : fonts) {
            SCOPED_TRACE(std::to_string(entry) + " " + std::to_string(height));
            // Set before the frame's star field is copied: the ink stays in
            // force across frames.
            SetInk(ink);
            CopyStarField();
            const ScreenFont font = SelectScreenFont(face, height, width);
            EXPECT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), font.created);
            LOGFONTW got;
            ASSERT_EQ(GetObjectW(font.created, sizeof got, &got), static_cast<int>(sizeof got));
            // Bold, upright, plain, any character set, the default precisions.
            EXPECT_EQ(std::tie(got.lfHeight, got.lfWidth, got.lfEscapement, got.lfOrientation,
                               got.lfWeight),
                      std::make_tuple(height, width, 0, 0, 700));
            EXPECT_EQ(
                std::tie(got.lfItalic, got.lfUnderline, got.lfStrikeOut, got.lfCharSet,
                         got.lfOutPrecision, got.lfClipPrecision, got.lfQuality,
                         got.lfPitchAndFamily),
                std::make_tuple(0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE));
            EXPECT_STREQ(got.lfFaceName, gdi_face);
            DrawTextAt(20, 40, "Ans:-0013", 9);
            DrawTextAt(20, 200, gothic_line, sizeof gothic_line - 1);
            DrawCentredLine({0, 300, 512, 450}, mincho_line);
            ReleaseScreenFont(font);
            EXPECT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), system_font);
            EXPECT_EQ(GetObjectType(font.created), 0u) << "deleted";

            const std::vector<uint8_t> drawn = Snapshot();
            int inked = 0;
            for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
                if (drawn[k] != star_field[k]) {
                    ASSERT_EQ(drawn[k], entry) << "pixel " << k;
                    ++inked;
                }
            }
            EXPECT_GT(inked, 200);
        }
    }
}

// Whether the picture is GDI's line of these characters, the first cell's
// top-left corner within a pixel of (left, top), clipped to the rectangle.
bool IsGdiLine(const std::vector<uint8_t>& picture, int left, int top, const std::wstring& line,
               const Rect& clip) {
    IntersectClipRect(FrameDC(), clip.left, clip.top, clip.right, clip.bottom);
    const UINT align = SetTextAlign(FrameDC(), TA_LEFT | TA_TOP);
    bool matched = false;
    for (int d = 0; d < 9 && !matched; ++d) {
        ClearSurface();
        TextOutW(FrameDC(), left + d % 3 - 1, top + d / 3 - 1, line.data(),
                 static_cast<int>(line.size()));
        matched = Snapshot() == picture;
    }
    SetTextAlign(FrameDC(), align);
    SelectClipRgn(FrameDC(), nullptr);
    return matched;
}

TEST_F(WindowTest, DrawTextAtDrawsTheGivenBytesWithTheFirstCellsTopLeftAtThePoint) {
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceTimes, 60, 30);
    ClearSurface();
    DrawTextAt(100, 200, "Press Return(Enter) Key", 1);  // the title's prompt: a byte a call
    EXPECT_TRUE(IsGdiLine(Snapshot(), 100, 200, L"P", {0, 0, 512, 512}));
    ReleaseScreenFont(font);
}

TEST_F(WindowTest, CentredLineSitsInTheMiddleOfItsRectangleCutToIt) {
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceTimes, 50, 20);
    TEXTMETRICW metrics;
    GetTextMetricsW(FrameDC(), &metrics);
    const std::pair<const char*, Rect> cases[] = {
        {"Ans:01234", {0, 350, 512, 450}}, {"Press Return(Enter) Key!", {200, 100, 300, 160}}};
    for (const auto& [text, rect] : cases) {
        const std::wstring line(text, text + std::strlen(text));
        SIZE extent;
        GetTextExtentPoint32W(FrameDC(), line.data(), static_cast<int>(line.size()), &extent);
        ClearSurface();
        DrawCentredLine(rect, text);
        const int left = rect.left + (rect.right - rect.left - extent.cx) / 2;
        const int top = rect.top + (rect.bottom - rect.top - metrics.tmHeight) / 2;
        EXPECT_TRUE(IsGdiLine(Snapshot(), left, top, line, rect)) << text;
    }
    ReleaseScreenFont(font);
}

}  // namespace
