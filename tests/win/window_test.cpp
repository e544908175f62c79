// The main window: its class and frame, the first paint, the synchronous
// repaint of every frame, and what closing and the end of a session keep.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "res/resource.h"
#include "tests/win/win_test_support.h"

namespace {

using MainWindowTest = ProgramWindowTest;

constexpr Pixel kLightGrey = MakePixel(192, 192, 192);

int32_t Le32At(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[offset]) |
                                static_cast<uint32_t>(bytes[offset + 1]) << 8 |
                                static_cast<uint32_t>(bytes[offset + 2]) << 16 |
                                static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

// Counts the client pixels that differ from: the image colour inside the
// 512 x 512 square at (8, 8), light grey outside it.
template <typename ImageColour>
int CountWrongPixels(const Picture& picture, ImageColour image_colour) {
    int wrong = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const bool in_image = x >= 8 && x < 520 && y >= 8 && y < 520;
            const Pixel expected = in_image ? image_colour(x - 8, y - 8) : kLightGrey;
            wrong += picture.At(x, y) != expected;
        }
    }
    return wrong;
}

TEST_F(MainWindowTest, FixedFrameOfTheGivenOuterSizeWithTheProgramsClass) {
    RECT outer;
    GetWindowRect(main_window, &outer);
    EXPECT_EQ(outer.right - outer.left, 540);
    EXPECT_EQ(outer.bottom - outer.top, 555);
    const auto style = static_cast<DWORD>(GetWindowLongW(main_window, GWL_STYLE));
    // Caption, system menu and minimise box; no sizing frame, no maximise box.
    EXPECT_EQ(style & 0x00FF0000u, 0x00CA0000u);
    EXPECT_EQ(style & WS_VISIBLE, 0u) << "hidden until ShowWindow";
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
    EXPECT_EQ(window_class.hbrBackground, GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(window_class.hCursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
    EXPECT_EQ(window_class.lpszMenuName, nullptr);

    // Icon 103: one 32 x 32 image.
    ASSERT_NE(window_class.hIcon, nullptr);
    ICONINFO icon;
    ASSERT_TRUE(GetIconInfo(window_class.hIcon, &icon));
    BITMAP mask;
    GetObjectW(icon.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    DeleteObject(icon.hbmMask);
    DeleteObject(icon.hbmColor);
}

TEST_F(MainWindowTest, FirstPaintIsABlackSquareOnLightGrey) {
    ShowWindow(main_window, SW_SHOWNORMAL);
    UpdateWindow(main_window);
    const Picture shown = CaptureClient(main_window);
    ASSERT_GE(shown.width, 520);
    ASSERT_GE(shown.height, 520);
    EXPECT_EQ(CountWrongPixels(shown, [](int, int) { return MakePixel(0, 0, 0); }), 0);
}

TEST_F(MainWindowTest, RepaintWindowShowsTheNewFrameBeforeItReturns) {
    ShowWindow(main_window, SW_SHOWNORMAL);
    UpdateWindow(main_window);
    const std::vector<Pixel> palette = ExpectedPalette();
    for (std::size_t k = 0; k < kStarFieldBytes; ++k) {
        star_field[k] = static_cast<uint8_t>((k / 512 + k % 512) % 9 == 0 ? 1 + k % 253 : 0);
    }
    CopyStarField();
    // No message is handled between the request and the look.
    RepaintWindow();
    const Picture shown = CaptureClient(main_window);
    const int wrong = CountWrongPixels(shown, [&palette](int x, int y) {
        return palette[star_field[static_cast<std::size_t>(511 - y) * 512 + x]];
    });
    EXPECT_EQ(wrong, 0);
}

TEST_F(MainWindowTest, ClosingSavesTheRankingReleasesTheSurfaceAndQuitsWithZero) {
    SetDefaultRankTable();
    InsertRanking(3, "Tester");
    rank_table.play_number = 42;
    HDC frame_dc = FrameDC();

    // What the close box and Alt+F4 send.
    SendMessageW(main_window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main_window));

    const std::vector<uint8_t> saved = ReadFileBytes(L"rank.txt");
    ASSERT_EQ(saved.size(), 1304u);
    EXPECT_EQ(Le32At(saved, 0), 5);
    EXPECT_EQ(Le32At(saved, 8), 3);
    EXPECT_EQ(Le32At(saved, 12), 3);
    EXPECT_EQ(std::memcmp(saved.data() + 20 + 3 * 256, "Tester", 7), 0);
    EXPECT_EQ(Le32At(saved, 1300), 42);

    EXPECT_EQ(GetObjectType(frame_dc), 0u) << "the surface is released";
    EXPECT_EQ(RunMessageLoop(), 0) << "WM_QUIT carries the exit code 0";
}

TEST_F(MainWindowTest, EndOfTheSessionSavesTheRanking) {
    SetDefaultRankTable();
    rank_table.play_number = 7;
    // A cancelled shutdown keeps the program running and saves nothing.
    SendMessageW(main_window, WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(std::filesystem::exists("rank.txt"));

    SendMessageW(main_window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const std::vector<uint8_t> saved = ReadFileBytes(L"rank.txt");
    ASSERT_EQ(saved.size(), 1304u);
    EXPECT_EQ(Le32At(saved, 1300), 7);
    EXPECT_TRUE(IsWindow(main_window));
}

}  // namespace
