// The result dialogs in the browser: the portable dialogs' pictures in the
// page, with the page's own input element over the name field and a button
// over OK, which take the typing, the input method and the clicks. The game
// keeps the field's text by the name field's rules and draws it; the page
// only reports. While a dialog is open no frame runs (the loop waits here),
// and it cannot be cancelled.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "dialogs/name_field.h"
#include "dialogs/pictures.h"
#include "dialogs/push_button.h"
#include "dialogs/templates.h"
#include "render/cp932.h"
#include "web/name_edit.h"
#include "web/web_shell.h"

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

std::string EventText() {
    char* text = kobaru_dialog_event_text();
    std::string copy = text;
    std::free(text);
    return copy;
}

// Feeds OK the pointer and Space events, for its pushed-in look; the page
// reports the click itself. True when the look changed.
bool FeedOk(PushButton& ok, const Rect& where, int event, bool focused) {
    const bool was_pressed = ok.pressed;
    if (event == kEventPointerDown || event == kEventPointerMove || event == kEventPointerUp) {
        const ButtonInput input = event == kEventPointerDown   ? ButtonInput::MouseDown
                                  : event == kEventPointerMove ? ButtonInput::MouseMove
                                                               : ButtonInput::MouseUp;
        FeedPushButton(
            ok, input,
            Contains(where, kobaru_dialog_event_number(0), kobaru_dialog_event_number(1)));
    } else if (event == kEventSpaceDown && focused) {
        FeedPushButton(ok, ButtonInput::SpaceDown, true);
    } else if (event == kEventSpaceUp) {
        FeedPushButton(ok, ButtonInput::SpaceUp, true);
    }
    return ok.pressed != was_pressed;
}

// The name prompt while it is open.
struct NameDialog {
    NameDialogLayout layout;
    NameField field;  // empty in every game, whatever the last one entered
    NameDialogView view;
    PushButton ok;
    bool confirmed = false;
};

// Tells the page the field's text and caret when they differ from what it
// reported, so that the input element always holds the name as kept.
void SyncField(const NameField& field, const std::string& reported, std::size_t reported_caret) {
    const std::string utf8 = Cp932ToUtf8(field.text.data(), field.text.size());
    const std::size_t caret = CharactersOfBytes(field.text, field.caret);
    if (utf8 != reported || caret != reported_caret) {
        kobaru_set_name_field(utf8.c_str(), static_cast<int>(caret));
    }
}

// One of the name dialog's events. True when it changed what the field holds,
// where its caret is, or how the dialog looks.
bool HandleNameEvent(NameDialog& dialog, int event) {
    NameDialogView& view = dialog.view;
    NameField& field = dialog.field;
    bool changed = FeedOk(dialog.ok, dialog.layout.ok, event, view.focus == NameFocus::Ok);
    view.ok_pressed = dialog.ok.pressed;
    switch (event) {
        case kEventEdit: {
            const std::string text = EventText();
            const auto caret = static_cast<std::size_t>(kobaru_dialog_event_number(0));
            changed = TakeReportedEdit(field, text, caret) || changed;
            SyncField(field, text, caret);
            return changed;
        }
        case kEventComposition:
            TakeComposition(view, EventText(),
                            static_cast<std::size_t>(kobaru_dialog_event_number(0)));
            return true;
        case kEventFocusEdit:
        case kEventFocusOk: {
            const NameFocus focus = event == kEventFocusEdit ? NameFocus::Edit : NameFocus::Ok;
            changed = changed || view.focus != focus;
            view.focus = focus;
            return changed;
        }
        case kEventPointerDown: {
            const int32_t x = kobaru_dialog_event_number(0);
            if (!Contains(dialog.layout.edit, x, kobaru_dialog_event_number(1)) ||
                !view.composition.empty()) {
                return changed;
            }
            // The page leaves the caret to the picture, whose text it cannot measure.
            field.caret = NameCaretForClick(Fonts(), dialog.layout, field, x);
            SyncField(field, {}, SIZE_MAX);
            return true;
        }
        case kEventConfirm:
            dialog.confirmed = true;
            return changed;
        default:
            return changed;
    }
}

}  // namespace

void PromptForName(char name[256]) {
    kobaru_wait_for_dialog_fonts();
    NameDialog dialog;
    dialog.layout = LayOutNameDialog(Fonts());
    DialogPicture picture(dialog.layout.width, dialog.layout.height);
    OpenDialog(kNameDialog, kNameDialogCaption, dialog.layout.width, dialog.layout.height,
               dialog.layout.edit, dialog.layout.ok);
    double blink_at = emscripten_get_now() + kCaretBlinkMs;
    bool dirty = true;
    while (!dialog.confirmed) {
        if (dirty) {
            KeepNameCaretVisible(Fonts(), dialog.layout, dialog.field, dialog.view);
            DrawNameDialog(picture.canvas, Fonts(), dialog.layout, dialog.field, dialog.view);
            picture.Show();
            dirty = false;
        }
        const double until_blink = blink_at - emscripten_get_now();
        const int event =
            kobaru_next_dialog_event(until_blink > 0 ? static_cast<int>(until_blink) : 0);
        if (emscripten_get_now() >= blink_at) {
            dialog.view.caret_on = !dialog.view.caret_on;
            blink_at = emscripten_get_now() + kCaretBlinkMs;
            dirty = true;
        }
        if (event != kEventNone && HandleNameEvent(dialog, event)) {
            // The caret shows steadily while the player types.
            dialog.view.caret_on = true;
            blink_at = emscripten_get_now() + kCaretBlinkMs;
            dirty = true;
        }
    }
    std::memcpy(name, dialog.field.text.c_str(), dialog.field.text.size() + 1);
    kobaru_close_dialog();
}

void ShowRanking() {
    kobaru_wait_for_dialog_fonts();
    const RankingDialogLayout layout = LayOutRankingDialog(Fonts());
    DialogPicture picture(layout.width, layout.height);
    OpenDialog(kRankingDialog, kRankingDialogCaption, layout.width, layout.height, {}, layout.ok);
    PushButton ok;
    bool dirty = true;
    for (;;) {
        if (dirty) {
            DrawRankingDialog(picture.canvas, Fonts(), layout, rank_table, ok.pressed);
            picture.Show();
        }
        const int event = kobaru_next_dialog_event(-1);
        if (event == kEventConfirm) {
            break;
        }
        // OK has the focus throughout, so Space works it as well.
        dirty = FeedOk(ok, layout.ok, event, true);
    }
    kobaru_close_dialog();
}
