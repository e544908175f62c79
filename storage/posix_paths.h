// Paths as the rank file's store and its lock see them on POSIX systems.
#pragma once

#include <string>

std::string FolderOf(const std::string& path);

// The file a chain of symbolic links ends at, which need not exist yet; false
// for a loop or a link that cannot be read.
bool FinalTarget(const char* path, std::string& target);

// A missing folder (the per-user data folder before the first save) is made
// private to the player, as the XDG base directory rules ask.
void MakeFolders(const std::string& folder);
