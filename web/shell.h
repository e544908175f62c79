// What the browser frontend's own files share, and the page's side of it:
// the functions of web/library.js that the game calls, and the dialog events
// the page sends (web/page.js numbers them the same way).
#pragma once

#include <cstdint>

#include "core/palette.h"

extern "C" {

// Opens the saved files (IndexedDB), puts the screens' fonts in place and
// starts the page's listeners; returns when the game can start.
void kobaru_start_page();

// Returns once the dialogs' fonts, which the page fetches after the first
// frame, are in place.
void kobaru_wait_for_dialog_fonts();

// Milliseconds of a monotonic clock, counted from an origin long past (the
// page's time origin since the epoch), as an uptime would be.
double kobaru_uptime_ms();

// Whether the key with this Windows virtual-key code is down, as the page
// sees it: a press on its keypad counts once even if it was let go already.
int kobaru_key_down(int virtual_key);

// The drill that has just ended scored this: the page says so under the game.
void kobaru_drill_over(int score);

// Shows width x height RGBA pixels in the main picture (target 0) or the
// open dialog's (target 1).
void kobaru_show_picture(int target, const uint32_t* rgba, int width, int height);

// Whether another tab has saved the ranking since the game last asked.
int kobaru_ranking_news();

// Opens a dialog (0 the name prompt, 1 the ranking) with its caption and
// client size, and the controls the page lays over the picture: the name
// field (the prompt only) and OK, as left, top, right, bottom.
void kobaru_open_dialog(int kind, const char* caption, int width, int height, const int32_t* edit,
                        const int32_t* ok);
void kobaru_close_dialog();

// Waits up to timeout_ms for the open dialog's next event and returns its
// type (PageEvent); its text (UTF-8, to be freed) and numbers follow.
int kobaru_next_dialog_event(int timeout_ms);
char* kobaru_dialog_event_text();
int kobaru_dialog_event_number(int index);

// Gives the name field the text and caret (in characters) the game keeps.
void kobaru_set_name_field(const char* utf8, int caret);

}  // extern "C"

enum PageEvent {
    kEventNone = 0,         // the wait timed out
    kEventEdit = 1,         // the field's text and caret (characters) after an edit or a move
    kEventComposition = 2,  // the input method's composition and its cursor (characters)
    kEventFocusEdit = 3,
    kEventFocusOk = 4,
    kEventPointerDown = 5,  // x, y in the dialog's client pixels
    kEventPointerMove = 6,
    kEventPointerUp = 7,
    kEventSpaceDown = 8,  // Space on OK with the focus
    kEventSpaceUp = 9,
    kEventConfirm = 10,  // OK clicked, or Return outside a composition
};

// A colour as the page's pictures take it: RGBA, red in the lowest byte.
uint32_t PageColour(Rgb colour);

// The frame surface's palette in the page's colours; the palette must have
// been drawn already.
void PrepareWindowPicture();

// The frame surface as it holds the picture now, into the page's canvas.
void ShowFrameSurface();

// The monotonic uptime the tick is counted from, in nanoseconds.
uint64_t UptimeNs();
