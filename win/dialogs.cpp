// The result step's two modal dialogs, from templates 101 and 102. They are
// Unicode dialogs; texts cross into and out of them through code page 932.
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "dialogs/templates.h"
#include "res/resource.h"
#include "screens/faces.h"
#include "win/shell.h"
#include "win/wide_text.h"

namespace {

// Where the name dialog's OK stores the name: the run's entered_name unless a
// caller of PromptForName asks for another buffer.
char* name_target = entered_name;

void StoreNameField(HWND dialog, char* name) {
    HWND field = GetDlgItem(dialog, IDC_NAME_FIELD);
    const int length = GetWindowTextLengthW(field);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetDlgItemTextW(dialog, IDC_NAME_FIELD, text.data(), length + 1);
    Cp932NameFromWide(text.data(), static_cast<std::size_t>(got > 0 ? got : 0), name,
                      kNameField - 1);
}

// The rows keep the paint context's default font where that is the Japanese
// system font. Elsewhere the default font has no kana or kanji and would show
// a Japanese name as boxes, so the rows are drawn in the Japanese gothic at
// the default font's height: fixed pitch, half-width characters half as wide
// as they are high, as in the Japanese system font, so the score column keeps
// its width and stays clear of the names. Null where the default font serves.
HFONT CreateRowFont(HDC dc) {
    if (GetACP() == kTextCodePage) {
        return nullptr;
    }
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(dc, &metrics)) {
        return nullptr;
    }
    LOGFONTW font{};
    font.lfHeight = metrics.tmHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    const std::wstring face = WideFromCp932(kFaceGothic, std::strlen(kFaceGothic));
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

void DrawLine(HDC dc, int x, int y, const char* text, std::size_t length) {
    const std::wstring wide = WideFromCp932(text, length);
    TextOutW(dc, x, y, wide.data(), static_cast<int>(wide.size()));
}

}  // namespace

INT_PTR CALLBACK NameEntryDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetFocus(GetDlgItem(dialog, IDC_NAME_FIELD));
            return TRUE;
        case WM_COMMAND:
            // Only OK (or Return, which presses it) ends the dialog; Escape and
            // close requests are swallowed, so a ranked player always names.
            if (wparam == IDOK) {
                StoreNameField(dialog, name_target);
                EndDialog(dialog, 1);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK RankingDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_PAINT: {
            // The rows are drawn in the paint DC's defaults (the system font,
            // black); the template's font is the controls' only.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(dialog, &paint);
            SetBkMode(dc, TRANSPARENT);
            HFONT row_font = CreateRowFont(dc);
            HGDIOBJ default_font = row_font ? SelectObject(dc, row_font) : nullptr;
            for (int i = 0; i < kRankRows; ++i) {
                const std::string line = RankingRowText(i, rank_table.points[i]);
                DrawLine(dc, kRankingScoreX, RankingRowY(i), line.data(), line.size());
                // A damaged file can leave a field without a NUL; the name
                // then ends with its field.
                char name[kNameField];
                std::memcpy(name, rank_table.player_names[i], kNameField);
                DrawLine(dc, kRankingNameX, RankingRowY(i), name, NameLength(name));
            }
            if (row_font) {
                SelectObject(dc, default_font);
                DeleteObject(row_font);
            }
            EndPaint(dialog, &paint);
            return TRUE;
        }
        case WM_INITDIALOG:
            SetFocus(GetDlgItem(dialog, IDOK));
            return TRUE;
        case WM_COMMAND:
            if (wparam == IDOK) {
                EndDialog(dialog, 1);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

void PromptForName(char name[256]) {
    // The field starts empty for every game, even though the buffer keeps the
    // last name.
    name_target = name;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_NAME_ENTRY), main_window, NameEntryDlgProc, 0);
    name_target = entered_name;
}

void ShowRanking() {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_RANKING), main_window, RankingDlgProc, 0);
}
