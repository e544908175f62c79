// The result dialogs on SDL: modal windows, owned by the main window, that show
// the portable dialogs' pictures and feed the dialogs' machines (dialogs/)
// SDL's events. While one is open no frame runs, the main window only
// repaints on exposure and ignores close requests, and the dialog itself
// cannot be cancelled.
#include <cstring>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "dialogs/machine.h"
#include "dialogs/templates.h"
#include "sdl/shell.h"

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
            return true;
        }
        FinishEvent(event);
    }
}

bool IsReturn(const SDL_Keysym& key) {
    return key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
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

// A key press as the dialogs take it; false for a key they ignore.
bool TranslateKey(const SDL_KeyboardEvent& key, DialogEvent& out) {
    const bool control = (key.keysym.mod & KMOD_CTRL) != 0;
    const bool shift = (key.keysym.mod & KMOD_SHIFT) != 0;
    if (IsReturn(key.keysym)) {
        // Return presses the default button from any control, once a press.
        out.kind = DialogEventKind::Confirm;
        return key.repeat == 0;
    }
    const struct {
        SDL_Keycode sym;
        EditKey key;
    } editing[] = {{SDLK_BACKSPACE, EditKey::Backspace}, {SDLK_DELETE, EditKey::Delete},
                   {SDLK_LEFT, EditKey::Left},           {SDLK_RIGHT, EditKey::Right},
                   {SDLK_HOME, EditKey::Home},           {SDLK_END, EditKey::End}};
    const SDL_Keycode sym = EditingKey(key.keysym);
    for (const auto& entry : editing) {
        if (sym == entry.sym) {
            out.kind = DialogEventKind::EditKey;
            out.key = entry.key;
            return true;
        }
    }
    if (sym == SDLK_TAB) {
        out.kind = DialogEventKind::FocusNext;
        return true;
    }
    if (sym == SDLK_SPACE) {
        out.kind = DialogEventKind::SpaceDown;
        return true;
    }
    if ((sym == SDLK_v && control) || (sym == SDLK_INSERT && shift)) {
        char* clipboard = SDL_GetClipboardText();
        out.kind = DialogEventKind::Paste;
        out.text = clipboard ? clipboard : "";
        SDL_free(clipboard);
        return true;
    }
    return false;
}

// An event of the dialog's window as the dialogs take it, positions in the
// dialog's own pixels however large it is shown; false for one they ignore.
bool TranslateEvent(const SDL_Event& event, DialogEvent& out) {
    const int s = display_scale;
    switch (event.type) {
        case SDL_WINDOWEVENT:
            out.kind = DialogEventKind::Expose;
            return event.window.event == SDL_WINDOWEVENT_EXPOSED;
        case SDL_KEYDOWN:
            return TranslateKey(event.key, out);
        case SDL_KEYUP:
            out.kind = DialogEventKind::SpaceUp;
            return event.key.keysym.sym == SDLK_SPACE;
        case SDL_TEXTINPUT:
            out.kind = DialogEventKind::Type;
            out.text = event.text.text;
            return true;
        case SDL_TEXTEDITING:
            out.kind = DialogEventKind::Composition;
            out.text = event.edit.text;
            out.x = event.edit.start;
            return true;
        case SDL_TEXTEDITING_EXT:
            out.kind = DialogEventKind::Composition;
            out.text = event.editExt.text;
            out.x = event.editExt.start;
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.kind = event.type == SDL_MOUSEBUTTONDOWN ? DialogEventKind::PointerDown
                                                         : DialogEventKind::PointerUp;
            out.x = event.button.x / s;
            out.y = event.button.y / s;
            return event.button.button == SDL_BUTTON_LEFT;
        case SDL_MOUSEMOTION:
            out.kind = DialogEventKind::PointerMove;
            out.x = event.motion.x / s;
            out.y = event.motion.y / s;
            return true;
        default:
            return false;
    }
}

// The next event meant for the dialog, as the dialogs take it, or a Tick
// once timeout_ms have passed without one.
DialogEvent NextDialogEvent(const DialogWindow& dialog, uint32_t timeout_ms) {
    DialogEvent next;
    SDL_Event event;
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        const Uint32 waited = SDL_GetTicks() - start;
        const int left = waited >= timeout_ms ? 0 : static_cast<int>(timeout_ms - waited);
        if (!WaitForDialogEvent(dialog, event, left < kSignalCheckMs ? left : kSignalCheckMs)) {
            if (left == 0) {
                break;
            }
            continue;
        }
        const bool taken = TranslateEvent(event, next);
        FinishEvent(event);
        if (taken) {
            break;
        }
        next = DialogEvent{};
    }
    next.now_ms = SDL_GetTicks();
    return next;
}

void UpdateInputMethodSpot(const NameDialog& dialog) {
    // The input method puts its candidate list below this rectangle.
    const int s = display_scale;
    const Rect& edit = dialog.layout.edit;
    const int32_t x = dialog.layout.text_x - dialog.field.scroll_x +
                      NameCaretX(Fonts(), dialog.field, dialog.view);
    SDL_Rect spot{x * s, edit.top * s, s, (edit.bottom - edit.top) * s};
    SDL_SetTextInputRect(&spot);
}

}  // namespace

void PromptForName(char name[256]) {
    NameDialog dialog = OpenNameDialog(Fonts(), SDL_GetTicks());
    DialogWindow window =
        OpenDialogWindow(kNameDialogCaption, dialog.layout.width, dialog.layout.height);
    SDL_StartTextInput();
    bool redraw = true;
    while (!dialog.confirmed) {
        if (redraw) {
            DrawNameDialogPicture(window.canvas, Fonts(), dialog);
            PresentDialog(window);
            UpdateInputMethodSpot(dialog);
        }
        const DialogEvent event = NextDialogEvent(window, UntilCaretBlink(dialog, SDL_GetTicks()));
        redraw = FeedNameDialog(dialog, Fonts(), event).redraw;
    }
    std::memcpy(name, dialog.field.text.c_str(), dialog.field.text.size() + 1);
    SDL_StopTextInput();
    CloseDialogWindow(window);
}

void ShowRanking() {
    RankingDialog dialog = OpenRankingDialog(Fonts());
    DialogWindow window =
        OpenDialogWindow(kRankingDialogCaption, dialog.layout.width, dialog.layout.height);
    bool redraw = true;
    while (!dialog.closed) {
        if (redraw) {
            DrawRankingDialogPicture(window.canvas, Fonts(), dialog, rank_table);
            PresentDialog(window);
        }
        redraw = FeedRankingDialog(dialog, NextDialogEvent(window, UINT32_MAX)).redraw;
    }
    CloseDialogWindow(window);
}
