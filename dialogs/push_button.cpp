// The push button's states, shared by both dialogs' OK.
#include "dialogs/push_button.h"

bool FeedPushButton(PushButton& button, ButtonInput input, bool inside) {
    switch (input) {
        case ButtonInput::MouseDown:
            if (inside) {
                button.captured = true;
                button.pressed = true;
            }
            return false;
        case ButtonInput::MouseMove:
            if (button.captured) {
                button.pressed = inside;
            }
            return false;
        case ButtonInput::MouseUp:
            if (!button.captured) {
                return false;
            }
            button.captured = false;
            button.pressed = false;
            return inside;
        case ButtonInput::SpaceDown:
            button.space_down = true;
            button.pressed = true;
            return false;
        case ButtonInput::SpaceUp:
            return button.space_down;
    }
    return false;
}
