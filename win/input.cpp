// The game's clock and keys on Windows, as the original asks for them.
#include "core/frontend.h"
#include "win/shell.h"

uint32_t GetTick() {
    return GetTickCount();
}

bool IsKeyDown(uint8_t virtual_key) {
    // Down while the sign bit of the 16-bit state is set; the low bit (pressed
    // since the last call) is deliberately ignored.
    return GetAsyncKeyState(virtual_key) < 0;
}
