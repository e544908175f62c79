// What the platform supplies to keep the rank file: a read that never blocks
// and a save that keeps the file the way the player keeps it. Each platform
// defines both once: storage/ for POSIX systems, win/ for Windows.
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

// Replaces the file's contents with bytes, silently. Atomic where it can be:
// a complete copy beside the file, synced, then renamed over it. A link is
// followed to the file it names and stays a link; a file with other hard
// links, or in a folder where no copy can be made, is written in place. A
// file this user may not write, or anything that is not a regular file, is
// left untouched. A missing file is created, and its missing folder with it
// only when make_folder is set.
void WriteStoredFile(const char* path, const uint8_t* bytes, std::size_t size, bool make_folder);
