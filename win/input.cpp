// The game's clocks and keys on Windows, as the original asks for them.
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

int64_t WallClockMs() {
    // FILETIME counts 100 ns since 1601; 1970 is 11,644,473,600 s later.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10'000) - 11'644'473'600'000;
}
