// The two result dialogs built from the program's own templates, driven
// modelessly so the test can look at them and press their buttons.

#include "res/resource.h"
#include "tests/win/win_test_support.h"

namespace {

using DialogTest = ProgramTest;

// Shown with its caption and no system menu, so no close box.
HWND Open(int template_id, DLGPROC procedure, const wchar_t* caption) {
    HWND dialog =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(template_id), main_window, procedure, 0);
    EXPECT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    wchar_t text[32];
    GetWindowTextW(dialog, text, 32);
    EXPECT_STREQ(text, caption);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION);
    return dialog;
}

TEST_F(DialogTest, OnlyOkEndsTheNameEntryAndStoresTheFieldAsCodePage932) {
    std::string a127;  // あ 127 times, 254 bytes
    for (int i = 0; i < 127; ++i) {
        a127 += "\x82\xa0";
    }
    const std::pair<std::wstring, std::string> cases[] = {
        {L"テスト太郎", "\x83\x65\x83\x58\x83\x67\x91\xbe\x98\x59"},
        {L"Player 1", "Player 1"},
        {L"ｱｲｳ", "\xb1\xb2\xb3"},
        {L"", ""},
        // Each character outside the code page becomes one question mark: a
        // surrogate pair is one character, a lone surrogate is none.
        {L"caf\u00e9", "caf?"},
        {L"\ud55c", "?"},  // Hangul
        {L"a\U0001F600b", "a?b"},
        {std::wstring(L"x") + static_cast<wchar_t>(0xD800) + L"y", "x?y"},
        // At most 255 bytes, without splitting a double-byte character.
        {std::wstring(300, L'a'), std::string(255, 'a')},
        {std::wstring(200, L'あ'), a127},
        {L"a" + std::wstring(200, L'あ'), "a" + a127}};
    for (const auto& [typed, stored] : cases) {
        HWND dialog = Open(IDD_NAME_ENTRY, NameEntryDlgProc, L"ランクインしたよ～！！");
        std::memset(entered_name, 'x', sizeof entered_name);
        SetDlgItemTextW(dialog, IDC_NAME_FIELD, typed.c_str());
        // Escape, close requests and the field's notifications change nothing.
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_NAME_FIELD, EN_CHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_NAME_FIELD)));
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "only OK ends the dialog";
        EXPECT_EQ(entered_name[0], 'x');
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(IsWindowVisible(dialog));
        // The name, its NUL, and nothing written after it.
        EXPECT_EQ(std::string(entered_name, sizeof entered_name),
                  (stored + '\0').append(255 - stored.size(), 'x'));
    }
}

TEST_F(DialogTest, RankingPaintsTheFiveRowsBelowItsHeadingsAndOnlyOkEndsIt) {
    const int32_t points[5] = {123456789, 5, 0, -5, -12};
    const char* names[5] = {"Alpha", "", "\x83\x65\x83\x58\x83\x67", nullptr, "Ringo"};
    for (int i = 0; i < 5; ++i) {
        rank_table.points[i] = points[i];
        std::memset(rank_table.player_names[i], 'Z', kNameField);  // row 4: no NUL at all
        if (names[i] != nullptr) {
            std::strcpy(rank_table.player_names[i], names[i]);
        }
    }
    HWND dialog = Open(IDD_RANKING, RankingDlgProc, L"これが道を極めた人たちです！！");
    const Picture shown = CaptureClient(dialog);
    // Painting the rows' band, between the headings and the OK button, over
    // with the rows as they must be, in a window DC's defaults (the system
    // font, black), must change nothing.
    const std::wstring rows[5][2] = {{L"No. 1  123456789", L"Alpha"},
                                     {L"No. 2  000000005", L""},
                                     {L"No. 3  000000000", L"テスト"},
                                     {L"No. 4  -00000005", std::wstring(256, L'Z')},
                                     {L"No. 5  -00000012", L"Ringo"}};
    const Pixel background = shown.At(2, 46);
    const RECT band{0, 46, shown.width, 50 + 22 * 5};
    HDC dc = GetDC(dialog);
    SetDCBrushColor(dc, RGB(background >> 16, (background >> 8) & 0xff, background & 0xff));
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < 5; ++i) {
        TextOutW(dc, 14, 50 + 22 * i, rows[i][0].data(), static_cast<int>(rows[i][0].size()));
        TextOutW(dc, 150, 50 + 22 * i, rows[i][1].data(), static_cast<int>(rows[i][1].size()));
    }
    ReleaseDC(dialog, dc);
    const Picture expected = CaptureClient(dialog);
    int differing = 0, text = 0;
    for (int y = band.top; y < band.bottom; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            differing += shown.At(x, y) != expected.At(x, y);
            text += expected.At(x, y) != background;
        }
    }
    EXPECT_GT(text, 200);
    EXPECT_EQ(differing, 0);

    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Escape does not end it";
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

}  // namespace
