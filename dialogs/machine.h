// The two result dialogs as state machines, for the builds whose window
// system has no dialogs of its own: a frontend translates its events into
// DialogEvents, feeds them, shows the picture whenever a response asks for
// it, and waits for the next event no longer than the caret's next blink.
// What typing, focus, clicks, Space and Return do is decided here, once.
#pragma once

#include <cstdint>
#include <string>

#include "core/rank_table.h"
#include "dialogs/name_field.h"
#include "dialogs/pictures.h"
#include "dialogs/push_button.h"

enum class DialogEventKind {
    Tick,         // nothing happened but time: the caret may blink
    Type,         // text typed at the caret (UTF-8), ending any composition
    Paste,        // a pasted line (UTF-8), taken only outside a composition
    EditKey,      // an editing key, outside a composition
    Edit,         // the whole field as an input element reports it (UTF-8, caret in characters)
    Composition,  // the input method's composition (UTF-8, cursor in characters); empty ends it
    FocusEdit,    // the window system moved the focus
    FocusOk,
    FocusNext,    // Tab
    PointerDown,  // the primary button, at (x, y) in the client area's pixels
    PointerMove,
    PointerUp,
    SpaceDown,  // Space, to the control with the focus
    SpaceUp,
    Confirm,  // Return (not a key's repeat, not ending a composition), or OK clicked
    Expose,   // the window system lost the picture
};

enum class EditKey { Backspace, Delete, Left, Right, Home, End };

struct DialogEvent {
    DialogEventKind kind = DialogEventKind::Tick;
    uint32_t now_ms = 0;  // a monotonic millisecond clock, for the caret's blink
    std::string text;
    int32_t x = 0;  // the pointer; for Edit the caret, for Composition its cursor
    int32_t y = 0;
    EditKey key = EditKey::Backspace;
};

// What the frontend does after an event.
struct DialogResponse {
    bool redraw = false;
    // The game changed the field's text or caret itself (a click placed the
    // caret, an edit was refused or cut): an input element that holds the
    // field must be told, and an input method's window moved.
    bool field_changed = false;
};

struct NameDialog {
    NameDialogLayout layout;
    NameField field;  // empty in every game, whatever the last one entered
    NameDialogView view;
    PushButton ok;
    uint32_t blink_from_ms = 0;  // when the caret last changed its phase
    bool confirmed = false;
};

struct RankingDialog {
    RankingDialogLayout layout;
    PushButton ok;  // it has the focus throughout
    bool closed = false;
};

// The caret shows from opening and blinks from there.
NameDialog OpenNameDialog(const DialogFonts& fonts, uint32_t now_ms);
DialogResponse FeedNameDialog(NameDialog& dialog, const DialogFonts& fonts,
                              const DialogEvent& event);
// How long a frontend may wait for the next event before it feeds a Tick.
uint32_t UntilCaretBlink(const NameDialog& dialog, uint32_t now_ms);
// Scrolls the field to show the caret and draws the dialog's client area.
void DrawNameDialogPicture(const Canvas& canvas, const DialogFonts& fonts, NameDialog& dialog);

RankingDialog OpenRankingDialog(const DialogFonts& fonts);
DialogResponse FeedRankingDialog(RankingDialog& dialog, const DialogEvent& event);
void DrawRankingDialogPicture(const Canvas& canvas, const DialogFonts& fonts,
                              const RankingDialog& dialog, const RankTable& table);
