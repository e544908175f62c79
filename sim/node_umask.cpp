// The simulator under node takes the process's file-creation mask, as the native one has it.
#include <emscripten.h>
#include <sys/stat.h>

namespace {

// emscripten's C library starts with a mask of 0777 whatever the process
// has, and the careful save gives a new rank.txt the mode a create would, so
// the file would get no permissions at all.
EM_JS(int, NodeUmask, (), { return process.umask(); });

const bool umask_taken = (umask(static_cast<mode_t>(NodeUmask())), true);

}  // namespace
