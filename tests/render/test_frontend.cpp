// The rest of core/frontend.h for tests that draw with the portable renderer:
// a clock that stands still, no keys, and dialogs that answer at once.
#include "core/frontend.h"

uint32_t GetTick() {
    return 1000;
}

bool IsKeyDown(uint8_t) {
    return false;
}

void RepaintWindow() {}

void PromptForName(char name[256]) {
    name[0] = '\0';
}

void ShowRanking() {}
