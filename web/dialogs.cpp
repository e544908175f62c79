// The result dialogs in the browser: the portable dialogs' pictures in the
// page, with the page's own input element over the name field and a button
// over OK, which take the typing, the input method and the clicks. The page
// reports; the dialogs' machines (dialogs/) decide, and the game keeps the
// field by the name field's rules. While a dialog is open no frame runs (the
// loop waits here), and it cannot be cancelled.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "dialogs/machine.h"
#include "dialogs/templates.h"
#include "text/cp932.h"
#include "web/shell.h"

namespace {

enum DialogKind { kNameDialog = 0, kRankingDialog = 1 };

// Opened on the first dialog, when the page has them.
const DialogFonts& Fonts() {
    static const DialogFonts fonts = OpenDialogFonts();
    return fonts;
}

// A dialog's client area: palette indices, and the same as RGBA for the page.
struct DialogPicture {
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> rgba;
    Canvas canvas;

    DialogPicture(int32_t width, int32_t height)
        : pixels(static_cast<std::size_t>(width) * height, kInkFace), rgba(pixels.size()) {
        canvas = {pixels.data(), width, height, width, false};
    }

    void Show() {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            rgba[i] = PageColour(kDialogPalette[pixels[i]]);
        }
        kobaru_show_picture(1, rgba.data(), canvas.width, canvas.height);
    }
};

void OpenDialog(DialogKind kind, const char* caption, int32_t width, int32_t height,
                const Rect& edit, const Rect& ok) {
    const int32_t edit_box[4] = {edit.left, edit.top, edit.right, edit.bottom};
    const int32_t ok_box[4] = {ok.left, ok.top, ok.right, ok.bottom};
    kobaru_open_dialog(kind, caption, width, height, edit_box, ok_box);
}

// The page's next event for the open dialog, as the dialogs take it, or a
// Tick after timeout_ms (never, for a negative timeout).
DialogEvent NextDialogEvent(int timeout_ms) {
    DialogEvent event;
    const int kind = kobaru_next_dialog_event(timeout_ms);
    const auto number = [](int index) { return kobaru_dialog_event_number(index); };
    switch (kind) {
        case kEventEdit:
        case kEventComposition: {
            char* text = kobaru_dialog_event_text();
            event.text = text;
            std::free(text);
            event.kind = kind == kEventEdit ? DialogEventKind::Edit : DialogEventKind::Composition;
            event.x = number(0);
            break;
        }
        case kEventPointerDown:
        case kEventPointerMove:
        case kEventPointerUp:
            event.kind = kind == kEventPointerDown   ? DialogEventKind::PointerDown
                         : kind == kEventPointerMove ? DialogEventKind::PointerMove
                                                     : DialogEventKind::PointerUp;
            event.x = number(0);
            event.y = number(1);
            break;
        case kEventFocusEdit:
            event.kind = DialogEventKind::FocusEdit;
            break;
        case kEventFocusOk:
            event.kind = DialogEventKind::FocusOk;
            break;
        case kEventSpaceDown:
            event.kind = DialogEventKind::SpaceDown;
            break;
        case kEventSpaceUp:
            event.kind = DialogEventKind::SpaceUp;
            break;
        case kEventConfirm:
            event.kind = DialogEventKind::Confirm;
            break;
        default:
            break;
    }
    event.now_ms = static_cast<uint32_t>(emscripten_get_now());
    return event;
}

}  // namespace

void PromptForName(char name[256]) {
    kobaru_wait_for_dialog_fonts();
    NameDialog dialog = OpenNameDialog(Fonts(), static_cast<uint32_t>(emscripten_get_now()));
    DialogPicture picture(dialog.layout.width, dialog.layout.height);
    OpenDialog(kNameDialog, kNameDialogCaption, dialog.layout.width, dialog.layout.height,
               dialog.layout.edit, dialog.layout.ok);
    bool redraw = true;
    while (!dialog.confirmed) {
        if (redraw) {
            DrawNameDialogPicture(picture.canvas, Fonts(), dialog);
            picture.Show();
        }
        const auto now = static_cast<uint32_t>(emscripten_get_now());
        const DialogResponse response = FeedNameDialog(
            dialog, Fonts(), NextDialogEvent(static_cast<int>(UntilCaretBlink(dialog, now))));
        if (response.field_changed) {
            // The page's input element holds the name as the game keeps it.
            const NameField& field = dialog.field;
            kobaru_set_name_field(Cp932ToUtf8(field.text.data(), field.text.size()).c_str(),
                                  static_cast<int>(CharactersOfBytes(field.text, field.caret)));
        }
        redraw = response.redraw;
    }
    std::memcpy(name, dialog.field.text.c_str(), dialog.field.text.size() + 1);
    kobaru_close_dialog();
}

void ShowRanking() {
    kobaru_wait_for_dialog_fonts();
    RankingDialog dialog = OpenRankingDialog(Fonts());
    DialogPicture picture(dialog.layout.width, dialog.layout.height);
    OpenDialog(kRankingDialog, kRankingDialogCaption, dialog.layout.width, dialog.layout.height, {},
               dialog.layout.ok);
    bool redraw = true;
    while (!dialog.closed) {
        if (redraw) {
            DrawRankingDialogPicture(picture.canvas, Fonts(), dialog, rank_table);
            picture.Show();
        }
        redraw = FeedRankingDialog(dialog, NextDialogEvent(-1)).redraw;
    }
    kobaru_close_dialog();
}
