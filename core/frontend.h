// What the game core needs from the program it runs in. Every executable links
// the core with its own definitions of exactly these functions: the headless
// simulator, the Linux window and the Windows program each supply them. No
// window-system header may be included here.
#pragma once

#include <cstdint>

// Virtual-key codes of the keys the game polls, as the Windows keyboard names
// them; other frontends translate their own key codes to these.
constexpr uint8_t kKeyReturn = 0x0D;
constexpr uint8_t kKeyDigit0 = 0x30;   // '0' to '9' of the main row: 0x30 to 0x39
constexpr uint8_t kKeyNumpad0 = 0x60;  // keypad 0 to 9: 0x60 to 0x69

// The system's millisecond uptime counter, wrapping at 2^32; the scene
// functions read it afresh at every test they make.
uint32_t GetTick();

// Whether the key is held down at this moment; the title, drill and ending
// frames ask in their drawn frames. Nothing is queued or remembered.
bool IsKeyDown(uint8_t virtual_key);

// Copies the current star field over the whole frame surface; the title,
// drill and ending frames call it first in every drawn frame.
void CopyStarField();

// Draw the texts of the title, drill and ending screens onto the surface;
// called by TitleFrame, DrillFrame and EndingFrame in every drawn frame, after
// that frame's rules have run (a headless build may draw nothing).
void DrawTitleScreen();
void DrawDrillScreen();
void DrawEndingScreen();

// Shows the finished frame before returning; the last step of every drawn
// title, drill and ending frame.
void RepaintWindow();

// Modal name prompt, called by ResultStep only for a qualifying score: stores
// at most 255 bytes of code page 932 text and a NUL into name. It cannot be
// cancelled; an empty name is a valid answer.
void PromptForName(char name[256]);

// Modal display of the five ranking rows, called by ResultStep once per game
// after any insertion; returns when the player closes it.
void ShowRanking();
