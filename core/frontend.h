// What a frontend supplies to the game, and nothing else: the tick, the keys,
// the star-field copy, the repaint, and the two result dialogs. Every
// executable defines each of these exactly once, in its frontend's folder
// (null/, sdl/, win/, web/, sim/; the portable surface in render/ supplies
// CopyStarField to the frontends that draw with it); core/ and screens/ call
// them. No window-system header may be included here.
#pragma once

#include <cstdint>

// Virtual-key codes of the keys the game polls, as the Windows keyboard names
// them; other frontends translate their own key codes to these.
constexpr uint8_t kKeyReturn = 0x0D;
constexpr uint8_t kKeyDigit0 = 0x30;   // '0' to '9' of the main row: 0x30 to 0x39
constexpr uint8_t kKeyNumpad0 = 0x60;  // keypad 0 to 9: 0x60 to 0x69

// The system's millisecond uptime counter, wrapping at 2^32; the scenes read
// it afresh at every test they make.
uint32_t GetTick();

// Whether the key is held down at this moment; the title, drill and ending
// frames ask in their drawn frames. Nothing is queued or remembered.
bool IsKeyDown(uint8_t virtual_key);

// The wall clock, in milliseconds since 1970-01-01T00:00:00Z. Only the
// drill's record reads it, for the date a player sees; the game's own timing
// is the tick's.
int64_t WallClockMs();

// Copies the current star field over the whole frame surface; every drawn
// title, drill and ending frame starts with it.
void CopyStarField();

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
