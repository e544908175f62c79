// The two result dialogs built from the program's own templates, driven
// modelessly so the test can look at them and press their buttons.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "core/rank_table.h"
#include "res/resource.h"
#include "tests/win/win_test_support.h"

namespace {

class DialogTest : public ProgramWindowTest {
  protected:
    HWND Open(int template_id, DLGPROC procedure) {
        HWND dialog =
            CreateDialogParamW(instance, MAKEINTRESOURCEW(template_id), main_window, procedure, 0);
        EXPECT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOWNORMAL);
        UpdateWindow(dialog);
        dialogs_.push_back(dialog);
        return dialog;
    }
    void TearDown() override {
        for (HWND dialog : dialogs_) {
            DestroyWindow(dialog);
        }
        ProgramWindowTest::TearDown();
    }
    std::vector<HWND> dialogs_;
};

std::wstring WindowText(HWND window) {
    wchar_t text[256];
    GetWindowTextW(window, text, 256);
    return text;
}

TEST_F(DialogTest, NameEntryIsAUnicodeDialogWithoutACloseBox) {
    HWND dialog = Open(IDD_NAME_ENTRY, NameEntryDlgProc);
    EXPECT_EQ(WindowText(dialog), L"ランクインしたよ～！！");
    EXPECT_TRUE(IsWindowUnicode(dialog));
    const auto style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_EQ(style & WS_SYSMENU, 0u);
    EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));

    HWND field = GetDlgItem(dialog, IDC_NAME_FIELD);
    ASSERT_NE(field, nullptr);
    wchar_t name[32];
    GetClassNameW(field, name, 32);
    EXPECT_EQ(std::wstring(name), L"Edit");
    EXPECT_EQ(WindowText(field), L"") << "the field starts empty";
    // Its place, from the template's dialog units.
    RECT expected{13, 23, 13 + 93, 23 + 14};
    MapDialogRect(dialog, &expected);
    RECT actual;
    GetWindowRect(field, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

TEST_F(DialogTest, OkStoresTheTypedNameAsCodePage932AndEndsTheDialog) {
    HWND dialog = Open(IDD_NAME_ENTRY, NameEntryDlgProc);
    std::memset(entered_name, 'x', sizeof entered_name);
    SetDlgItemTextW(dialog, IDC_NAME_FIELD, L"テスト太郎");

    // Escape, close requests and the field's own notifications change nothing.
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_NAME_FIELD, EN_CHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_NAME_FIELD)));
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "only OK ends the dialog";
    EXPECT_EQ(entered_name[0], 'x');

    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
    const char expected[] = "\x83\x65\x83\x58\x83\x67\x91\xbe\x98\x59";
    EXPECT_EQ(std::memcmp(entered_name, expected, sizeof expected), 0) << "name and NUL";
    EXPECT_EQ(entered_name[sizeof expected], 'x') << "nothing after the NUL is written";
}

TEST_F(DialogTest, ALongNameIsCutTo255BytesOnACharacterBoundary) {
    HWND dialog = Open(IDD_NAME_ENTRY, NameEntryDlgProc);
    SetDlgItemTextW(dialog, IDC_NAME_FIELD, (L"A" + std::wstring(299, L'漢')).c_str());
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(std::strlen(entered_name), 255u);
    EXPECT_EQ(entered_name[0], 'A');
    for (int i = 1; i < 255; i += 2) {
        ASSERT_EQ(std::memcmp(entered_name + i, "\x8a\xbf", 2), 0) << "byte " << i;
    }

    HWND again = Open(IDD_NAME_ENTRY, NameEntryDlgProc);
    SetDlgItemTextW(again, IDC_NAME_FIELD, std::wstring(200, L'漢').c_str());
    SendMessageW(again, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::strlen(entered_name), 254u) << "the 128th character would be split";
}

// Rows as the dialog must show them, drawn independently with the same GDI
// defaults (the system font, black) on the dialog's background.
Picture ReferenceRows(int width, int height, Pixel background,
                      const std::vector<std::wstring>& numbers,
                      const std::vector<std::wstring>& names) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(
        RGB((background >> 16) & 0xff, (background >> 8) & 0xff, background & 0xff));
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const int y = 50 + 22 * static_cast<int>(i);
        TextOutW(dc, 14, y, numbers[i].data(), static_cast<int>(numbers[i].size()));
        TextOutW(dc, 150, y, names[i].data(), static_cast<int>(names[i].size()));
    }
    GdiFlush();
    Picture picture;
    picture.width = width;
    picture.height = height;
    const auto* bgrx = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        picture.pixels.push_back(MakePixel(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

TEST_F(DialogTest, RankingPaintsTheFiveRowsBelowItsHeadings) {
    rank_table = RankTable{};
    const int32_t points[5] = {123456789, 5, 0, -5, -12};
    for (int i = 0; i < 5; ++i) {
        rank_table.points[i] = points[i];
    }
    std::strcpy(rank_table.player_names[0], "Alpha");
    std::strcpy(rank_table.player_names[1], "");
    std::strcpy(rank_table.player_names[2], "\x83\x65\x83\x58\x83\x67");  // テスト
    std::memset(rank_table.player_names[3], 'Z', kNameField);             // no NUL at all
    std::strcpy(rank_table.player_names[4], "Ringo");

    HWND dialog = Open(IDD_RANKING, RankingDlgProc);
    EXPECT_EQ(WindowText(dialog), L"これが道を極めた人たちです！！");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)) & WS_SYSMENU, 0u);
    const Picture shown = CaptureClient(dialog);

    const std::vector<std::wstring> numbers = {L"No. 1  123456789", L"No. 2  000000005",
                                               L"No. 3  000000000", L"No. 4  -00000005",
                                               L"No. 5  -00000012"};
    const std::vector<std::wstring> names = {L"Alpha", L"", L"テスト", std::wstring(256, L'Z'),
                                             L"Ringo"};
    const Pixel background = shown.At(2, 46);
    const Picture expected = ReferenceRows(shown.width, shown.height, background, numbers, names);

    // The rows' band, between the headings and the OK button.
    int differing = 0;
    int text = 0;
    for (int y = 46; y < 50 + 22 * 5; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            differing += shown.At(x, y) != expected.At(x, y);
            text += expected.At(x, y) != background;
        }
    }
    EXPECT_GT(text, 200);
    EXPECT_EQ(differing, 0);

    // Return presses the default button: OK ends the dialog, Escape does not.
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(dialog));
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

}  // namespace
