// The game asks for keys by their Windows virtual-key codes; on SDL they are
// physical keys (scancodes), so a digit counts whatever the keyboard layout
// makes of it, and the keypad counts with Num Lock on or off.
#pragma once

#include <SDL_scancode.h>

#include <cstdint>

// Fills up to two scancodes that stand for the key and returns how many: two
// for Return (the main key and the keypad's Enter), one for a digit of the
// main row or of the keypad, none for any other code.
int ScancodesForKey(uint8_t virtual_key, SDL_Scancode scancodes[2]);
