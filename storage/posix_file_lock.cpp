// Turns on the rank file for copies of the game on POSIX systems: flock on
// the folder that holds the file. The save renames a new file over the old
// one, so a lock on the file would stay with the old one; the folder needs no
// new file in the player's folder, and its lock goes with the process.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/file_store.h"
#include "storage/posix_paths.h"

namespace {

constexpr long kRetryNs = 10'000'000;

const char* ProgramName() {
#ifdef __GLIBC__
    return program_invocation_short_name;
#else
    return "kobaru";
#endif
}

uint64_t NowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

}  // namespace

Locking LockStoredFile(const char* path, bool make_folder, uint32_t wait_ms, StoreLock& lock) {
    lock.handle = -1;
    std::string target;
    if (!FinalTarget(path, target)) {
        return Locking::Unavailable;
    }
    const std::string folder = FolderOf(target);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && make_folder) {
        MakeFolders(folder);
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) {
        return Locking::Unavailable;
    }
    // Polled, so that the wait has its bound whatever signals arrive.
    const uint64_t start = NowMs();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lock.handle = fd;
            return Locking::Held;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return Locking::Unavailable;
        }
        if (NowMs() - start >= wait_ms) {
            ::close(fd);
            std::fprintf(stderr,
                         "%s: another copy of the game has held %s for %u ms; going on without "
                         "waiting for it\n",
                         ProgramName(), path, static_cast<unsigned>(wait_ms));
            return Locking::TimedOut;
        }
        const timespec pause{0, kRetryNs};
        ::nanosleep(&pause, nullptr);
    }
}

void UnlockStoredFile(StoreLock& lock) {
    if (lock.handle >= 0) {
        // Closing the last descriptor of the open folder releases its lock.
        ::close(static_cast<int>(lock.handle));
        lock.handle = -1;
    }
}
