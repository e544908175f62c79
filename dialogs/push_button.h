// A push button as the dialog manager runs one: it goes down while the mouse
// button that went down on it is held over it, or while Space is held with
// the button focused, and it is clicked when either comes up over it.
#pragma once

enum class ButtonInput { MouseDown, MouseMove, MouseUp, SpaceDown, SpaceUp };

struct PushButton {
    bool captured = false;    // the mouse went down on it and is still down
    bool space_down = false;  // Space went down while it had the focus
    bool pressed = false;     // drawn pushed in
};

// Feeds one input; inside says whether the mouse is over the button (ignored
// for Space). True when the input clicks the button.
bool FeedPushButton(PushButton& button, ButtonInput input, bool inside);
