// The result dialogs from the program's templates, run modelessly to look at and press buttons.

#include <cstdlib>

#include "res/resource.h"
#include "tests/win/win_test_support.h"

namespace {

using DialogTest = ProgramTest;

HWND Open(int template_id, DLGPROC procedure) {
    HWND dialog =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(template_id), main_window, procedure, 0);
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    return dialog;
}

TEST_F(DialogTest, OkStoresTheNameFieldAsCodePage932) {
    std::string a127;  // あ 127 times, 254 bytes
    for (int i = 0; i < 127; ++i) {
        a127 += "\x82\xa0";
    }
    const std::pair<std::wstring, std::string> cases[] = {
        {L"テスト太郎", "\x83\x65\x83\x58\x83\x67\x91\xbe\x98\x59"},
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
        HWND dialog = Open(IDD_NAME_ENTRY, NameEntryDlgProc);
        std::memset(entered_name, 'x', sizeof entered_name);
        SetDlgItemTextW(dialog, IDC_NAME_FIELD, typed.c_str());
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(IsWindowVisible(dialog));
        // The name, its NUL, and nothing written after it.
        EXPECT_EQ(std::string(entered_name, sizeof entered_name),
                  (stored + '\0').append(255 - stored.size(), 'x'));
    }
}

TEST_F(DialogTest, RankingPaintsTheFiveRowsBelowItsHeadingsAndOnlyOkEndsIt) {
    const int32_t points[5] = {123456789, 5, 0, -5, -12};
    const char* names[5] = {"\x8e\x52\x93\x63\x91\xbe\x98\x59\x82\xc5\x82\xb7",  // 山田太郎です
                            "Player",
                            "\x97\xe9\x96\xd8\x89\xd4\x8e\x71\x82\xb3\x82\xf1",  // 鈴木花子さん
                            nullptr, "Player"};
    for (int i = 0; i < 5; ++i) {
        rank_table.points[i] = points[i];
        std::memset(rank_table.player_names[i], 'Z', kNameField);  // row 4: no NUL at all
        if (names[i] != nullptr) {
            std::strcpy(rank_table.player_names[i], names[i]);
        }
    }
    HWND dialog = Open(IDD_RANKING, RankingDlgProc);
    const Picture shown = CaptureClient(dialog);
    // On every code page: the two Japanese names draw differently (in a font
    // without kana or kanji they would be six boxes alike), the Latin twins
    // alike.
    auto name_cell = [&](int row) {
        std::vector<bool> ink;
        for (int y = 50 + 22 * row; y < 50 + 22 * row + 20; ++y) {
            for (int x = 150; x < shown.width; ++x) {
                ink.push_back(shown.At(x, y) != shown.At(2, 46));
            }
        }
        return ink;
    };
    EXPECT_NE(name_cell(0), name_cell(2)) << "two different names drew alike: boxes";
    EXPECT_EQ(name_cell(1), name_cell(4));
    EXPECT_NE(name_cell(1), name_cell(0));
    // On code page 932 the rows are exactly those of a window DC's defaults
    // (the system font, black): painting the rows' band over with them, between
    // the headings and the OK button, must change nothing.
    const std::wstring rows[5][2] = {{L"No. 1  123456789", L"山田太郎です"},
                                     {L"No. 2  000000005", L"Player"},
                                     {L"No. 3  000000000", L"鈴木花子さん"},
                                     {L"No. 4  -00000005", std::wstring(256, L'Z')},
                                     {L"No. 5  -00000012", L"Player"}};
    const RECT band{0, 46, shown.width, 50 + 22 * 5};
    HDC dc = GetDC(dialog);
    SetDCBrushColor(dc, shown.At(2, 46));
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const Picture blank = CaptureClient(dialog);
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < 5; ++i) {
        TextOutW(dc, 14, 50 + 22 * i, rows[i][0].data(), static_cast<int>(rows[i][0].size()));
        TextOutW(dc, 150, 50 + 22 * i, rows[i][1].data(), static_cast<int>(rows[i][1].size()));
    }
    ReleaseDC(dialog, dc);
    const Picture expected = CaptureClient(dialog);
    EXPECT_FALSE(expected.pixels == blank.pixels) << "no rows to compare";
    if (GetACP() == 932) {
        EXPECT_TRUE(expected.pixels == shown.pixels);
    }

    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Escape does not end it";
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

// run-tests names the code page ("932", or "!932" for any other) each of its
// two locales must give, so a locale Wine ignored cannot pass for the other.
TEST(TestLocale, WineUsesTheAnsiCodePageTheRunAskedFor) {
    const char* asked = std::getenv("KOBARU_EXPECT_ACP");
    if (asked == nullptr) {
        GTEST_SKIP() << "KOBARU_EXPECT_ACP not set";
    }
    const bool other = asked[0] == '!';
    EXPECT_EQ(GetACP() == std::strtoul(asked + other, nullptr, 10), !other) << GetACP();
}

}  // namespace
