// The two result dialogs as modal windows owned by the main window: while one
// is open no frame runs, the main window only repaints on exposure and
// ignores close requests, and the dialog itself cannot be cancelled.
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "render/cp932.h"
#include "sdl/dialog_pictures.h"
#include "sdl/name_field.h"
#include "sdl/sdl_shell.h"

namespace {

// "ランクインしたよ～！！" and "これが道を極めた人たちです！！", in UTF-8 for
// the window manager.
constexpr const char* kNameCaption =
    "\xe3\x83\xa9\xe3\x83\xb3\xe3\x82\xaf\xe3\x82\xa4\xe3\x83\xb3\xe3\x81\x97\xe3\x81\x9f"
    "\xe3\x82\x88\xef\xbd\x9e\xef\xbc\x81\xef\xbc\x81";
constexpr const char* kRankingCaption =
    "\xe3\x81\x93\xe3\x82\x8c\xe3\x81\x8c\xe9\x81\x93\xe3\x82\x92\xe6\xa5\xb5\xe3\x82\x81"
    "\xe3\x81\x9f\xe4\xba\xba\xe3\x81\x9f\xe3\x81\xa1\xe3\x81\xa7\xe3\x81\x99\xef\xbc\x81"
    "\xef\xbc\x81";

// The caret blinks at the rate Windows uses by default.
constexpr Uint32 kCaretBlinkMs = 530;
// The longest a modal loop waits for an event before it looks at the caret
// again, and its naps while it waits.
constexpr int kSignalCheckMs = 100;
constexpr Uint32 kNapMs = 5;

struct DialogWindow {
    SDL_Window* window;
    std::vector<uint8_t> pixels;  // palette indices of the client area, in game pixels
    Canvas canvas;
};

SDL_Color dialog_colours[kDialogInks];

const DialogFonts& Fonts() {
    static const DialogFonts fonts = OpenDialogFonts();
    return fonts;
}

// Raises the window and gives it the keyboard directly: a window manager may
// refuse a newly mapped window the focus, or hand it to the owner.
void FocusWindow(SDL_Window* window) {
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
}

DialogWindow OpenDialogWindow(const char* caption, int width, int height) {
    // The dialog's frame goes to the top-left corner of the owner's client
    // area: a new window's position is that of its frame.
    int owner_x = 0;
    int owner_y = 0;
    SDL_GetWindowPosition(main_window, &owner_x, &owner_y);

    DialogWindow dialog{};
    dialog.window =
        SDL_CreateWindow(caption, owner_x, owner_y, width * display_scale, height * display_scale,
                         SDL_WINDOW_HIDDEN | SDL_WINDOW_SKIP_TASKBAR);
    SDL_SetWindowModalFor(dialog.window, main_window);
    DescribeDialogFrame(dialog.window);
    for (int i = 0; i < kDialogInks; ++i) {
        dialog_colours[i] = {kDialogPalette[i].red, kDialogPalette[i].green, kDialogPalette[i].blue,
                             SDL_ALPHA_OPAQUE};
    }
    dialog.pixels.assign(static_cast<std::size_t>(width) * height, kInkFace);
    dialog.canvas = {dialog.pixels.data(), width, height, width, false};
    SDL_ShowWindow(dialog.window);
    FocusWindow(dialog.window);
    return dialog;
}

void PresentDialog(const DialogWindow& dialog) {
    SDL_Surface* surface = SDL_GetWindowSurface(dialog.window);
    if (!surface) {
        return;
    }
    const Canvas& c = dialog.canvas;
    ShowIndexedPicture({c.pixels, c.width, c.height, c.stride, false, dialog_colours, kDialogInks},
                       surface, 0, 0);
    SDL_UpdateWindowSurface(dialog.window);
}

void CloseDialogWindow(DialogWindow& dialog) {
    SDL_DestroyWindow(dialog.window);
    dialog = {};
    // As a disabled owner is enabled and activated again.
    FocusWindow(main_window);
}

// Waits for the next event, at most timeout_ms; an exit signal ends the game
// from here as from the main loop. It polls in short naps rather than letting
// SDL block: SDL wakes a blocked wait by sending an X11 message to a window
// over a second connection, which can reach a dialog that was just destroyed.
bool WaitForDialogEvent(SDL_Event& event, int timeout_ms) {
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        if (ExitSignalArrived()) {
            QuitGame();
        }
        if (SDL_PollEvent(&event)) {
            return true;
        }
        if (SDL_GetTicks() - start >= static_cast<Uint32>(timeout_ms)) {
            return false;
        }
        SDL_Delay(kNapMs);
    }
}

// What every modal loop does first: the owner repaints and gives the focus
// back to the dialog, close requests go nowhere. True when the event is the
// dialog's own.
bool IsDialogEvent(const SDL_Event& event, const DialogWindow& dialog) {
    if (IsMainWindowEvent(event)) {
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            FocusWindow(dialog.window);
        }
        HandleMainWindowEvent(event);
        return false;
    }
    if (IsCloseRequest(event)) {
        return false;
    }
    return EventWindowId(event) == SDL_GetWindowID(dialog.window);
}

// Mouse positions in the dialog's own pixels, however large it is shown.
void ToGamePixels(SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            event.button.x /= display_scale;
            event.button.y /= display_scale;
            break;
        case SDL_MOUSEMOTION:
            event.motion.x /= display_scale;
            event.motion.y /= display_scale;
            break;
        default:
            break;
    }
}

bool IsReturn(const SDL_Keysym& key) {
    return key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
}

// The composition as the field shows it: what code page 932 cannot hold shows
// as '?'; the cursor comes in characters and is wanted in bytes.
void TakeComposition(NameDialogView& view, const char* utf8, Sint32 cursor) {
    view.composition = Utf8ToCp932Name(utf8, std::string::npos);
    const std::u32string characters = Utf8ToUtf32(utf8);
    std::string before;
    for (std::size_t i = 0; i < characters.size() && i < static_cast<std::size_t>(cursor); ++i) {
        if (!EncodeCp932(characters[i], before)) {
            before += '?';
        }
    }
    view.composition_cursor = before.size();
}

// Keypad keys with Num Lock off move the caret like the arrow keys.
SDL_Keycode EditingKey(const SDL_Keysym& key) {
    if ((key.mod & KMOD_NUM) == 0) {
        switch (key.sym) {
            case SDLK_KP_4:
                return SDLK_LEFT;
            case SDLK_KP_6:
                return SDLK_RIGHT;
            case SDLK_KP_7:
                return SDLK_HOME;
            case SDLK_KP_1:
                return SDLK_END;
            case SDLK_KP_PERIOD:
                return SDLK_DELETE;
            default:
                break;
        }
    }
    return key.sym;
}

void Paste(NameField& field) {
    char* clipboard = SDL_GetClipboardText();
    if (clipboard) {
        InsertTypedText(field, FirstLine(clipboard));
        SDL_free(clipboard);
    }
}

// Edits the field for one key; false when the key is no editing key.
bool EditField(NameField& field, const SDL_Keysym& key) {
    const bool control = (key.mod & KMOD_CTRL) != 0;
    const bool shift = (key.mod & KMOD_SHIFT) != 0;
    switch (EditingKey(key)) {
        case SDLK_BACKSPACE:
            DeleteBackward(field);
            return true;
        case SDLK_DELETE:
            DeleteForward(field);
            return true;
        case SDLK_LEFT:
            MoveCaretLeft(field);
            return true;
        case SDLK_RIGHT:
            MoveCaretRight(field);
            return true;
        case SDLK_HOME:
            MoveCaretHome(field);
            return true;
        case SDLK_END:
            MoveCaretEnd(field);
            return true;
        case SDLK_v:
            if (control) {
                Paste(field);
                return true;
            }
            return false;
        case SDLK_INSERT:
            if (shift) {
                Paste(field);
                return true;
            }
            return false;
        default:
            return false;
    }
}

void UpdateInputMethodSpot(const NameDialogLayout& layout, const NameField& field,
                           const NameDialogView& view) {
    // The input method puts its candidate list below this rectangle.
    const int s = display_scale;
    SDL_Rect spot{(layout.text_x - field.scroll_x + NameCaretX(Fonts(), field, view)) * s,
                  layout.edit.y * s, s, layout.edit.height * s};
    SDL_SetTextInputRect(&spot);
}

}  // namespace

void PromptForName(char name[256]) {
    const DialogFonts& fonts = Fonts();
    const NameDialogLayout layout = LayOutNameDialog(fonts);
    NameField field;  // empty in every game, whatever the last one entered
    NameDialogView view;
    bool ok_captured = false;  // the mouse went down on OK and is still down
    bool space_on_ok = false;

    DialogWindow dialog = OpenDialogWindow(kNameCaption, layout.width, layout.height);
    SDL_StartTextInput();
    Uint32 blink_tick = SDL_GetTicks();
    bool dirty = true;
    bool confirmed = false;
    while (!confirmed) {
        if (dirty) {
            KeepNameCaretVisible(fonts, layout, field, view);
            DrawNameDialog(dialog.canvas, fonts, layout, field, view);
            PresentDialog(dialog);
            UpdateInputMethodSpot(layout, field, view);
            dirty = false;
        }
        const Uint32 shown_for = SDL_GetTicks() - blink_tick;
        const int until_blink =
            shown_for >= kCaretBlinkMs ? 0 : static_cast<int>(kCaretBlinkMs - shown_for);
        SDL_Event event;
        const bool got =
            WaitForDialogEvent(event, until_blink < kSignalCheckMs ? until_blink : kSignalCheckMs);
        if (SDL_GetTicks() - blink_tick >= kCaretBlinkMs) {
            view.caret_on = !view.caret_on;
            blink_tick = SDL_GetTicks();
            dirty = true;
        }
        if (!got) {
            continue;
        }
        if (!IsDialogEvent(event, dialog)) {
            FinishEvent(event);
            continue;
        }
        ToGamePixels(event);
        bool edited = false;
        switch (event.type) {
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    dirty = true;
                }
                break;
            case SDL_KEYDOWN:
                if (IsReturn(event.key.keysym)) {
                    // Return presses the default button from any control.
                    confirmed = event.key.repeat == 0;
                } else if (event.key.keysym.sym == SDLK_TAB) {
                    view.focus = view.focus == NameFocus::Edit ? NameFocus::Ok : NameFocus::Edit;
                    dirty = true;
                } else if (view.focus == NameFocus::Ok && event.key.keysym.sym == SDLK_SPACE) {
                    space_on_ok = true;
                    view.ok_pressed = true;
                    dirty = true;
                } else if (view.focus == NameFocus::Edit && view.composition.empty()) {
                    edited = EditField(field, event.key.keysym);
                }
                break;
            case SDL_KEYUP:
                if (space_on_ok && event.key.keysym.sym == SDLK_SPACE) {
                    confirmed = true;
                }
                break;
            case SDL_TEXTINPUT:
                if (view.focus == NameFocus::Edit) {
                    view.composition.clear();
                    view.composition_cursor = 0;
                    InsertTypedText(field, event.text.text);
                    edited = true;
                }
                break;
            case SDL_TEXTEDITING:
                TakeComposition(view, event.edit.text, event.edit.start);
                edited = true;
                break;
            case SDL_TEXTEDITING_EXT:
                TakeComposition(view, event.editExt.text, event.editExt.start);
                edited = true;
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button != SDL_BUTTON_LEFT) {
                    break;
                }
                if (Contains(layout.ok, event.button.x, event.button.y)) {
                    ok_captured = true;
                    view.ok_pressed = true;
                    view.focus = NameFocus::Ok;
                    dirty = true;
                } else if (Contains(layout.edit, event.button.x, event.button.y)) {
                    view.focus = NameFocus::Edit;
                    if (view.composition.empty()) {
                        field.caret = NameCaretForClick(fonts, layout, field, event.button.x);
                    }
                    edited = true;
                }
                break;
            case SDL_MOUSEMOTION:
                if (ok_captured) {
                    const bool inside = Contains(layout.ok, event.motion.x, event.motion.y);
                    dirty = dirty || inside != view.ok_pressed;
                    view.ok_pressed = inside;
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT && ok_captured) {
                    ok_captured = false;
                    view.ok_pressed = false;
                    confirmed = Contains(layout.ok, event.button.x, event.button.y);
                    dirty = true;
                }
                break;
            default:
                break;
        }
        if (edited) {
            // The caret shows steadily while the player types.
            view.caret_on = true;
            blink_tick = SDL_GetTicks();
            dirty = true;
        }
        FinishEvent(event);
    }
    std::memcpy(name, field.text.c_str(), field.text.size() + 1);
    SDL_StopTextInput();
    CloseDialogWindow(dialog);
}

void ShowRanking() {
    const DialogFonts& fonts = Fonts();
    const RankingDialogLayout layout = LayOutRankingDialog(fonts);
    bool pressed = false;
    bool ok_captured = false;
    bool space_down = false;

    DialogWindow dialog = OpenDialogWindow(kRankingCaption, layout.width, layout.height);
    bool dirty = true;
    bool closed = false;
    while (!closed) {
        if (dirty) {
            DrawRankingDialog(dialog.canvas, fonts, layout, rank_table, pressed);
            PresentDialog(dialog);
            dirty = false;
        }
        SDL_Event event;
        if (!WaitForDialogEvent(event, kSignalCheckMs)) {
            continue;
        }
        if (!IsDialogEvent(event, dialog)) {
            FinishEvent(event);
            continue;
        }
        ToGamePixels(event);
        switch (event.type) {
            case SDL_WINDOWEVENT:
                dirty = event.window.event == SDL_WINDOWEVENT_EXPOSED;
                break;
            case SDL_KEYDOWN:
                if (IsReturn(event.key.keysym)) {
                    closed = event.key.repeat == 0;
                } else if (event.key.keysym.sym == SDLK_SPACE) {
                    // The focused button goes down with Space and clicks
                    // when it comes up.
                    space_down = true;
                    pressed = true;
                    dirty = true;
                }
                break;
            case SDL_KEYUP:
                closed = space_down && event.key.keysym.sym == SDLK_SPACE;
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT &&
                    Contains(layout.ok, event.button.x, event.button.y)) {
                    ok_captured = true;
                    pressed = true;
                    dirty = true;
                }
                break;
            case SDL_MOUSEMOTION:
                if (ok_captured) {
                    const bool inside = Contains(layout.ok, event.motion.x, event.motion.y);
                    dirty = inside != pressed;
                    pressed = inside;
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT && ok_captured) {
                    ok_captured = false;
                    pressed = false;
                    closed = Contains(layout.ok, event.button.x, event.button.y);
                    dirty = true;
                }
                break;
            default:
                break;
        }
        FinishEvent(event);
    }
    CloseDialogWindow(dialog);
}
