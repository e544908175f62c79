// The result dialogs' behaviour: the name prompt's field, focus, caret and OK,
// the ranking's OK, as the dialog manager runs them.
#include "dialogs/machine.h"

#include "text/cp932.h"

namespace {

bool Click(PushButton& ok, ButtonInput input, const Rect& where, const DialogEvent& event) {
    return FeedPushButton(ok, input, Contains(where, event.x, event.y));
}

// OK's share of an event, as the dialog manager feeds a push button: the
// pointer, and Space while OK has the focus. True when OK is clicked.
bool FeedOk(PushButton& ok, const Rect& where, const DialogEvent& event, bool focused) {
    switch (event.kind) {
        case DialogEventKind::PointerDown:
            return Click(ok, ButtonInput::MouseDown, where, event);
        case DialogEventKind::PointerMove:
            return Click(ok, ButtonInput::MouseMove, where, event);
        case DialogEventKind::PointerUp:
            return Click(ok, ButtonInput::MouseUp, where, event);
        case DialogEventKind::SpaceDown:
            return focused && FeedPushButton(ok, ButtonInput::SpaceDown, true);
        case DialogEventKind::SpaceUp:
            return FeedPushButton(ok, ButtonInput::SpaceUp, true);
        default:
            return false;
    }
}

bool Focus(NameDialogView& view, NameFocus focus) {
    const bool moved = view.focus != focus;
    view.focus = focus;
    return moved;
}

void ApplyEditKey(NameField& field, EditKey key) {
    switch (key) {
        case EditKey::Backspace:
            DeleteBackward(field);
            break;
        case EditKey::Delete:
            DeleteForward(field);
            break;
        case EditKey::Left:
            MoveCaretLeft(field);
            break;
        case EditKey::Right:
            MoveCaretRight(field);
            break;
        case EditKey::Home:
            MoveCaretHome(field);
            break;
        case EditKey::End:
            MoveCaretEnd(field);
            break;
    }
}

// What the event does to the field, the composition and the focus; true when
// it changed any of them, and so the caret shows steadily again.
bool TakeNameEvent(NameDialog& dialog, const DialogFonts& fonts, const DialogEvent& event,
                   DialogResponse& response) {
    NameDialogView& view = dialog.view;
    NameField& field = dialog.field;
    const bool editing = view.focus == NameFocus::Edit;
    switch (event.kind) {
        case DialogEventKind::Type:
            if (!editing) {
                return false;
            }
            view.composition.clear();
            view.composition_cursor = 0;
            InsertTypedText(field, event.text);
            response.field_changed = true;
            return true;
        case DialogEventKind::Paste:
        case DialogEventKind::EditKey:
            if (!editing || !view.composition.empty()) {
                return false;
            }
            if (event.kind == DialogEventKind::Paste) {
                InsertTypedText(field, FirstLine(event.text));
            } else {
                ApplyEditKey(field, event.key);
            }
            response.field_changed = true;
            return true;
        case DialogEventKind::Edit: {
            const auto caret = static_cast<std::size_t>(event.x);
            const bool changed = TakeReportedEdit(field, event.text, caret);
            response.field_changed =
                Cp932ToUtf8(field.text.data(), field.text.size()) != event.text ||
                CharactersOfBytes(field.text, field.caret) != caret;
            return changed;
        }
        case DialogEventKind::Composition:
            TakeComposition(view, event.text, static_cast<std::size_t>(event.x));
            return true;
        case DialogEventKind::FocusEdit:
            return Focus(view, NameFocus::Edit);
        case DialogEventKind::FocusOk:
            return Focus(view, NameFocus::Ok);
        case DialogEventKind::FocusNext:
            return Focus(view, editing ? NameFocus::Ok : NameFocus::Edit);
        case DialogEventKind::PointerDown:
            if (Contains(dialog.layout.ok, event.x, event.y)) {
                return Focus(view, NameFocus::Ok);
            }
            if (!Contains(dialog.layout.edit, event.x, event.y)) {
                return false;
            }
            Focus(view, NameFocus::Edit);
            // During a composition the caret stays where the composition is.
            if (view.composition.empty()) {
                field.caret = NameCaretForClick(fonts, dialog.layout, field, event.x);
                response.field_changed = true;
            }
            return true;
        case DialogEventKind::Confirm:
            dialog.confirmed = true;
            return false;
        case DialogEventKind::Expose:
            response.redraw = true;
            return false;
        default:
            return false;
    }
}

}  // namespace

NameDialog OpenNameDialog(const DialogFonts& fonts, uint32_t now_ms) {
    NameDialog dialog;
    dialog.layout = LayOutNameDialog(fonts);
    dialog.blink_from_ms = now_ms;
    return dialog;
}

DialogResponse FeedNameDialog(NameDialog& dialog, const DialogFonts& fonts,
                              const DialogEvent& event) {
    DialogResponse response;
    if (UntilCaretBlink(dialog, event.now_ms) == 0) {
        dialog.view.caret_on = !dialog.view.caret_on;
        dialog.blink_from_ms = event.now_ms;
        response.redraw = true;
    }
    const bool was_pressed = dialog.ok.pressed;
    // The focus first: a press on OK gives it the focus, and Space then works it.
    const bool changed = TakeNameEvent(dialog, fonts, event, response);
    if (FeedOk(dialog.ok, dialog.layout.ok, event, dialog.view.focus == NameFocus::Ok)) {
        dialog.confirmed = true;
    }
    dialog.view.ok_pressed = dialog.ok.pressed;
    response.redraw = response.redraw || changed || dialog.ok.pressed != was_pressed;
    if (changed) {
        // The caret shows steadily while the player types.
        dialog.view.caret_on = true;
        dialog.blink_from_ms = event.now_ms;
    }
    return response;
}

uint32_t UntilCaretBlink(const NameDialog& dialog, uint32_t now_ms) {
    const uint32_t shown_for = now_ms - dialog.blink_from_ms;
    return shown_for >= kCaretBlinkMs ? 0 : kCaretBlinkMs - shown_for;
}

void DrawNameDialogPicture(const Canvas& canvas, const DialogFonts& fonts, NameDialog& dialog) {
    KeepNameCaretVisible(fonts, dialog.layout, dialog.field, dialog.view);
    DrawNameDialog(canvas, fonts, dialog.layout, dialog.field, dialog.view);
}

RankingDialog OpenRankingDialog(const DialogFonts& fonts) {
    RankingDialog dialog;
    dialog.layout = LayOutRankingDialog(fonts);
    return dialog;
}

DialogResponse FeedRankingDialog(RankingDialog& dialog, const DialogEvent& event) {
    const bool was_pressed = dialog.ok.pressed;
    if (FeedOk(dialog.ok, dialog.layout.ok, event, true) ||
        event.kind == DialogEventKind::Confirm) {
        dialog.closed = true;
    }
    DialogResponse response;
    response.redraw = dialog.ok.pressed != was_pressed || event.kind == DialogEventKind::Expose;
    return response;
}

void DrawRankingDialogPicture(const Canvas& canvas, const DialogFonts& fonts,
                              const RankingDialog& dialog, const RankTable& table) {
    DrawRankingDialog(canvas, fonts, dialog.layout, table, dialog.ok.pressed);
}
