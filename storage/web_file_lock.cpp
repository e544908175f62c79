// Turns on the rank file for the tabs of the game in one browser: the page's
// Web Lock (web/library.js), in which IndexedDB's copy is brought into the
// game's file before the game reads it and kept again after it saves.
#include "core/file_store.h"

extern "C" {
// Waits at most wait_ms for the turn, shared by every tab of the site, then
// brings IndexedDB's rank.txt into the game's file: 0 when the turn was had,
// 1 when another tab held it throughout (the page says so), 2 where the
// browser has no locks.
int kobaru_take_turn(int wait_ms);
// Keeps the game's rank.txt in IndexedDB if it changed, then ends the turn
// and tells the other tabs; the page counts each completed save.
void kobaru_end_turn();
}

Locking LockStoredFile(const char*, bool, uint32_t wait_ms, StoreLock& lock) {
    switch (kobaru_take_turn(static_cast<int>(wait_ms))) {
        case 0:
            lock.handle = 1;
            return Locking::Held;
        case 1:
            lock.handle = 0;
            return Locking::TimedOut;
        default:
            lock.handle = 0;
            return Locking::Unavailable;
    }
}

// Whether or not the turn was had, what the game saved is kept.
void UnlockStoredFile(StoreLock& lock) {
    kobaru_end_turn();
    lock.handle = -1;
}
