// Turns on the rank file for the tabs of the game in one browser: the page's
// Web Lock (web/library.js), in which IndexedDB's copy is brought into the
// game's file before the game reads it and kept again after it saves.
#include "core/file_store.h"
#include "web/web_shell.h"

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
