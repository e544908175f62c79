// The main window, its frame surface and the screens' text on GDI, in the prefix's mapped fonts.

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

TEST_F(WindowTest, FixedFrameOfTheGivenOuterSizeWithTheProgramsClass) {
    RECT outer;
    GetWindowRect(main_window, &outer);
    EXPECT_EQ(outer.right - outer.left, 540);
    EXPECT_EQ(outer.bottom - outer.top, 555);
    // Caption, system menu and minimise box; no sizing frame, no maximise
    // box, no menu; hidden until shown.
    EXPECT_EQ(GetWindowLongW(main_window, GWL_STYLE) & (0x00FF0000 | WS_VISIBLE), 0x00CA0000);
    EXPECT_EQ(GetWindowLongW(main_window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_EQ(GetMenu(main_window), nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    ASSERT_EQ(GetClassInfoExW(instance, L"CWindow", &window_class),
              GetClassWord(main_window, GCW_ATOM));
    EXPECT_EQ(window_class.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(window_class.hCursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
    EXPECT_NE(window_class.hIcon, nullptr);
    EXPECT_EQ(window_class.hIcon, LoadIconW(instance, MAKEINTRESOURCEW(103)));
}

TEST_F(WindowTest, FirstPaintIsBlackAndEachFrameIsShownBeforeRepaintReturns) {
    // The image colour in the 512 x 512 square at (8, 8), light grey around it.
    const auto expect_shown = [](auto image_colour) {
        const Picture shown = CaptureClient(main_window);
        for (int y = 0; y < shown.height; ++y) {
            for (int x = 0; x < shown.width; ++x) {
                const bool in_image = x >= 8 && x < 520 && y >= 8 && y < 520;
                ASSERT_EQ(shown.At(x, y),
                          in_image ? image_colour(x - 8, y - 8) : RGB(192, 192, 192))
                    << x << ", " << y;
            }
        }
    };
    ShowWindow(main_window, SW_SHOWNORMAL);
    UpdateWindow(main_window);
    expect_shown([](int, int) { return RGB(0, 0, 0); });

    // The entries known without the game's code: black, the first two drawn
    // from the start state, the three fixed ones; in a pattern that no flip or
    // small shift of the rows or columns keeps.
    const std::pair<uint8_t, Pixel> known[] = {
        {0, RGB(0, 0, 0)},         {1, RGB(169, 163, 190)},   {2, RGB(132, 193, 236)},
        {253, RGB(255, 128, 128)}, {254, RGB(200, 192, 224)}, {255, RGB(255, 255, 255)}};
    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        star_field[k] = known[k % 509 % 6].first;
    }
    CopyStarField();
    RepaintWindow();  // no message may be handled before the look
    expect_shown([&known](int x, int y) { return known[((511 - y) * 512 + x) % 509 % 6].second; });
}

TEST_F(WindowTest, AnEndingSessionNotACancelledOneSavesAndClosingReleasesTheSurface) {
    // A cancelled shutdown keeps the program running and saves nothing.
    SendMessageW(main_window, WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(std::filesystem::exists("rank.txt"));
    SendMessageW(main_window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(IsWindow(main_window));
    EXPECT_EQ(ReadFileBytes("rank.txt").size(), 1304u);

    HDC frame_dc = FrameDC();
    HBITMAP bitmap = FrameBitmap();
    SendMessageW(main_window, WM_CLOSE, 0, 0);  // the close box, Alt+F4
    EXPECT_FALSE(IsWindow(main_window));
    EXPECT_EQ(GetObjectType(frame_dc), 0u) << "the surface is released";
    EXPECT_EQ(GetObjectType(bitmap), 0u);
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
    // A font of each face the screens use, and its name as GDI must get it.
    const std::tuple<const char*, const wchar_t*, int32_t, int32_t> fonts[] = {
        {kFaceTimes, L"Times New Roman", 140, 60},
        {kFaceGothic, L"ＭＳ ゴシック", 16, 8},
        {kFaceMincho, L"ＭＳ 明朝", 50, 20}};
    for (const auto& [ink, entry] : inks) {
        for (const auto& [face, gdi_face, height, width] : fonts) {
            SCOPED_TRACE(std::to_string(entry) + " " + std::to_string(height));
            // Before the frame's copy: the ink stays in force across frames.
            SetInk(ink);
            CopyStarField();
            const ScreenFont font = SelectScreenFont(face, height, width);
            EXPECT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), font.created);
            LOGFONTW got;
            ASSERT_EQ(GetObjectW(font.created, sizeof got, &got), static_cast<int>(sizeof got));
            EXPECT_EQ(std::tie(got.lfHeight, got.lfWidth, got.lfEscapement, got.lfOrientation,
                               got.lfWeight, got.lfItalic, got.lfUnderline, got.lfStrikeOut,
                               got.lfCharSet, got.lfOutPrecision, got.lfClipPrecision,
                               got.lfQuality, got.lfPitchAndFamily),
                      std::make_tuple(height, width, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE));
            EXPECT_STREQ(got.lfFaceName, gdi_face);
            DrawTextAt(20, 200, gothic_line, sizeof gothic_line - 1);
            DrawCentredLine({0, 300, 512, 450}, mincho_line);
            ReleaseScreenFont(font);
            EXPECT_EQ(GetCurrentObject(FrameDC(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
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

// Whether the surface shows GDI's line of these characters, the first cell's
// top-left corner within `slack` pixels of (left, top), clipped to the rectangle.
bool IsGdiLine(int left, int top, const std::wstring& line, const Rect& clip, int slack) {
    const std::vector<uint8_t> picture = Snapshot();
    IntersectClipRect(FrameDC(), clip.left, clip.top, clip.right, clip.bottom);
    const UINT align = SetTextAlign(FrameDC(), TA_LEFT | TA_TOP);
    const int side = 2 * slack + 1;
    bool matched = false;
    for (int d = 0; d < side * side && !matched; ++d) {
        ClearSurface();
        TextOutW(FrameDC(), left + d % side - slack, top + d / side - slack, line.data(),
                 static_cast<int>(line.size()));
        matched = Snapshot() == picture;
    }
    SetTextAlign(FrameDC(), align);
    SelectClipRgn(FrameDC(), nullptr);
    return matched;
}

TEST_F(WindowTest, TextStartsAtItsPointOrSitsInTheMiddleOfItsRectangleCutToIt) {
    SetInk(kWhite);
    const ScreenFont font = SelectScreenFont(kFaceMincho, 50, 20);
    // The given bytes, in code page 932 whatever the system's.
    const std::tuple<const char*, int, std::wstring> at[] = {
        {"Press Return(Enter) Key", 1, L"P"},  // the title's prompt: a byte a call
        {"\x8a\xe9\x89\xe6\x81\x45\x8a\x4a\x94\xad\x81\x40Ondaval", 19, L"企画・開発　Ondaval"},
        {"\xb1\xb2", 2, L"ｱｲ"}};  // half-width katakana are single bytes
    for (const auto& [bytes, length, line] : at) {
        ClearSurface();
        DrawTextAt(20, 200, bytes, length);
        EXPECT_TRUE(IsGdiLine(20, 200, line, {0, 0, 512, 512}, 0)) << testing::PrintToString(line);
    }

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
        // Within a pixel: GDI may round the halves either way.
        EXPECT_TRUE(IsGdiLine(rect.left + (rect.right - rect.left - extent.cx) / 2,
                              rect.top + (rect.bottom - rect.top - metrics.tmHeight) / 2, line,
                              rect, 1))
            << text;
    }
    ReleaseScreenFont(font);
}

}  // namespace
