// The result dialogs on SDL: modal windows, owned by the main window, that show
// the portable dialogs' pictures. While one is open no frame runs, the main
// window only repaints on exposure and ignores close requests, and the dialog
// itself cannot be cancelled.
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "dialogs/name_field.h"
#include "dialogs/pictures.h"
#include "dialogs/push_button.h"
#include "dialogs/templates.h"
#include "sdl/sdl_shell.h"

namespace {

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
    // The dialog's client area goes to the top-left corner of the owner's
    // (the window manager is asked to keep the client where it is put).
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

// Waits for the next event meant for the dialog, at most timeout_ms; an exit
// signal ends the game from here as from the main loop. It polls in short
// naps rather than letting SDL block: SDL wakes a blocked wait by sending an
// X11 message to a window over a second connection, which can reach a dialog
// that was just destroyed. What every modal loop does with the others: the
// owner repaints and gives the focus back to the dialog, close requests go
// nowhere.
bool WaitForDialogEvent(const DialogWindow& dialog, SDL_Event& event, int timeout_ms) {
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        if (ExitSignalArrived()) {
            QuitGame();
        }
        if (!SDL_PollEvent(&event)) {
            if (SDL_GetTicks() - start >= static_cast<Uint32>(timeout_ms)) {
                return false;
            }
            SDL_Delay(kNapMs);
            continue;
        }
        if (IsMainWindowEvent(event)) {
            if (event.type == SDL_WINDOWEVENT &&
                event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                FocusWindow(dialog.window);
            }
            HandleMainWindowEvent(event);
        } else if (!IsCloseRequest(event) &&
                   EventWindowId(event) == SDL_GetWindowID(dialog.window)) {
            ToGamePixels(event);
            return true;
        }
        FinishEvent(event);
    }
}

bool IsReturn(const SDL_Keysym& key) {
    return key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
}

// OK's share of an event, as the dialog manager feeds a push button: the
// mouse, and Space when OK has the focus. True when OK is clicked.
bool FeedOk(PushButton& ok, const Rect& where, const SDL_Event& event, bool focused) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) {
                return false;
            }
            return FeedPushButton(
                ok,
                event.type == SDL_MOUSEBUTTONDOWN ? ButtonInput::MouseDown : ButtonInput::MouseUp,
                Contains(where, event.button.x, event.button.y));
        case SDL_MOUSEMOTION:
            return FeedPushButton(ok, ButtonInput::MouseMove,
                                  Contains(where, event.motion.x, event.motion.y));
        case SDL_KEYDOWN:
            if (focused && event.key.keysym.sym == SDLK_SPACE) {
                FeedPushButton(ok, ButtonInput::SpaceDown, true);
            }
            return false;
        case SDL_KEYUP:
            return event.key.keysym.sym == SDLK_SPACE &&
                   FeedPushButton(ok, ButtonInput::SpaceUp, true);
        default:
            return false;
    }
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

// The name prompt while it is open.
struct NameDialog {
    NameDialogLayout layout;
    NameField field;  // empty in every game, whatever the last one entered
    NameDialogView view;
    PushButton ok;
    bool dirty = true;
    bool confirmed = false;
};

void UpdateInputMethodSpot(const NameDialog& dialog) {
    // The input method puts its candidate list below this rectangle.
    const int s = display_scale;
    const Rect& edit = dialog.layout.edit;
    const int32_t x = dialog.layout.text_x - dialog.field.scroll_x +
                      NameCaretX(Fonts(), dialog.field, dialog.view);
    SDL_Rect spot{x * s, edit.top * s, s, (edit.bottom - edit.top) * s};
    SDL_SetTextInputRect(&spot);
}

// One of the name dialog's own events. True when it changed what the field
// holds or where its caret is.
bool HandleNameEvent(NameDialog& dialog, const SDL_Event& event) {
    NameDialogView& view = dialog.view;
    NameField& field = dialog.field;
    const bool was_pressed = dialog.ok.pressed;
    if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT &&
        Contains(dialog.layout.ok, event.button.x, event.button.y)) {
        view.focus = NameFocus::Ok;
        dialog.dirty = true;
    }
    dialog.confirmed = FeedOk(dialog.ok, dialog.layout.ok, event, view.focus == NameFocus::Ok);
    view.ok_pressed = dialog.ok.pressed;
    dialog.dirty = dialog.dirty || was_pressed != dialog.ok.pressed;
    switch (event.type) {
        case SDL_WINDOWEVENT:
            dialog.dirty = dialog.dirty || event.window.event == SDL_WINDOWEVENT_EXPOSED;
            return false;
        case SDL_KEYDOWN:
            if (IsReturn(event.key.keysym)) {
                // Return presses the default button from any control.
                dialog.confirmed = event.key.repeat == 0;
            } else if (event.key.keysym.sym == SDLK_TAB) {
                view.focus = view.focus == NameFocus::Edit ? NameFocus::Ok : NameFocus::Edit;
                dialog.dirty = true;
            } else if (view.focus == NameFocus::Edit && view.composition.empty()) {
                return EditField(field, event.key.keysym);
            }
            return false;
        case SDL_TEXTINPUT:
            if (view.focus != NameFocus::Edit) {
                return false;
            }
            view.composition.clear();
            view.composition_cursor = 0;
            InsertTypedText(field, event.text.text);
            return true;
        case SDL_TEXTEDITING:
            TakeComposition(view, event.edit.text, static_cast<std::size_t>(event.edit.start));
            return true;
        case SDL_TEXTEDITING_EXT:
            TakeComposition(view, event.editExt.text,
                            static_cast<std::size_t>(event.editExt.start));
            return true;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button != SDL_BUTTON_LEFT ||
                !Contains(dialog.layout.edit, event.button.x, event.button.y)) {
                return false;
            }
            view.focus = NameFocus::Edit;
            if (view.composition.empty()) {
                field.caret = NameCaretForClick(Fonts(), dialog.layout, field, event.button.x);
            }
            return true;
        default:
            return false;
    }
}

}  // namespace

void PromptForName(char name[256]) {
    NameDialog dialog;
    dialog.layout = LayOutNameDialog(Fonts());
    DialogWindow window =
        OpenDialogWindow(kNameDialogCaption, dialog.layout.width, dialog.layout.height);
    SDL_StartTextInput();
    Uint32 blink_tick = SDL_GetTicks();
    while (!dialog.confirmed) {
        if (dialog.dirty) {
            KeepNameCaretVisible(Fonts(), dialog.layout, dialog.field, dialog.view);
            DrawNameDialog(window.canvas, Fonts(), dialog.layout, dialog.field, dialog.view);
            PresentDialog(window);
            UpdateInputMethodSpot(dialog);
            dialog.dirty = false;
        }
        const Uint32 shown_for = SDL_GetTicks() - blink_tick;
        const int until_blink =
            shown_for >= kCaretBlinkMs ? 0 : static_cast<int>(kCaretBlinkMs - shown_for);
        SDL_Event event;
        const bool got = WaitForDialogEvent(
            window, event, until_blink < kSignalCheckMs ? until_blink : kSignalCheckMs);
        if (SDL_GetTicks() - blink_tick >= kCaretBlinkMs) {
            dialog.view.caret_on = !dialog.view.caret_on;
            blink_tick = SDL_GetTicks();
            dialog.dirty = true;
        }
        if (!got) {
            continue;
        }
        if (HandleNameEvent(dialog, event)) {
            // The caret shows steadily while the player types.
            dialog.view.caret_on = true;
            blink_tick = SDL_GetTicks();
            dialog.dirty = true;
        }
        FinishEvent(event);
    }
    std::memcpy(name, dialog.field.text.c_str(), dialog.field.text.size() + 1);
    SDL_StopTextInput();
    CloseDialogWindow(window);
}

void ShowRanking() {
    const RankingDialogLayout layout = LayOutRankingDialog(Fonts());
    PushButton ok;
    DialogWindow window = OpenDialogWindow(kRankingDialogCaption, layout.width, layout.height);
    bool dirty = true;
    bool closed = false;
    while (!closed) {
        if (dirty) {
            DrawRankingDialog(window.canvas, Fonts(), layout, rank_table, ok.pressed);
            PresentDialog(window);
            dirty = false;
        }
        SDL_Event event;
        if (!WaitForDialogEvent(window, event, kSignalCheckMs)) {
            continue;
        }
        const bool was_pressed = ok.pressed;
        // OK has the focus throughout, so Space works it as well.
        closed = FeedOk(ok, layout.ok, event, true);
        if (event.type == SDL_KEYDOWN && IsReturn(event.key.keysym)) {
            closed = event.key.repeat == 0;
        }
        dirty = ok.pressed != was_pressed ||
                (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED);
        FinishEvent(event);
    }
    CloseDialogWindow(window);
}
