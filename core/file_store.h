// What the platform supplies to keep the rank file: a read that never blocks,
// a save that keeps the file the way the player keeps it, and turns for the
// copies of the game that share it. Each platform defines them once:
// storage/ for POSIX systems, win/ for Windows; the browser has its own turns
// (web/).
#pragma once

#include <cstddef>
#include <cstdint>

enum class StoredFile {
    Read,      // a regular file; its leading bytes are in the buffer
    Missing,   // nothing at the path (a dangling link counts as nothing)
    Unusable,  // something is there, but not a regular file this user can read
};

// Reads at most capacity leading bytes and stores their count in got. A FIFO
// or a device is never opened for reading, so this cannot block.
StoredFile ReadStoredFile(const char* path, uint8_t* buffer, std::size_t capacity,
                          std::size_t& got);

// Replaces the file's contents with bytes, silently; true when they are
// stored. Atomic where it can be:
// a complete copy beside the file, synced, then renamed over it. A link is
// followed to the file it names and stays a link; a file with other hard
// links, or in a folder where no copy can be made, is written in place. A
// file this user may not write, or anything that is not a regular file, is
// left untouched. A missing file is created, and its missing folder with it
// only when make_folder is set.
bool WriteStoredFile(const char* path, const uint8_t* bytes, std::size_t size, bool make_folder);

// Appends line (its line break included) to a text file, whole or not at
// all, and synced. A missing file is created with header first; a file whose
// last line lacks its line break gets one first, so that the line stays
// whole; a write that fails is cut back off. Links are followed; anything
// but a regular file this user may write is left untouched. The caller holds
// the copy's turn on the file. True when the line is stored.
bool AppendStoredLine(const char* path, const char* header, const char* line, bool make_folder);

// Copies of the game that share one file take turns to read, change and save
// it. A copy that cannot have its turn within this time goes on without it:
// a stuck or crashed holder never hangs the game.
constexpr uint32_t kStoreLockWaitMs = 2000;

// The turn one copy holds: an advisory lock, released by the system when the
// process ends, however it ends.
struct StoreLock {
    std::intptr_t handle = -1;
};

enum class Locking {
    Held,
    TimedOut,     // another copy held it throughout the wait; said where the player sees it
    Unavailable,  // this place cannot be locked (a folder that cannot be opened); silent
};

// Waits at most wait_ms for the turn on the file at path. What is locked is
// the file's place (its folder, links followed), never the file itself, which
// a save replaces; make_folder makes a missing per-user folder first, as the
// save would.
Locking LockStoredFile(const char* path, bool make_folder, uint32_t wait_ms, StoreLock& lock);
void UnlockStoredFile(StoreLock& lock);
