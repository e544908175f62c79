// Where a path leads on POSIX systems, and the folders a first save makes.
#include "storage/posix_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

// Links are followed at most this many times, as the kernel does.
constexpr int kMostLinks = 40;

}  // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool FinalTarget(const char* path, std::string& target) {
    target = path;
    for (int hops = 0; hops <= kMostLinks; ++hops) {
        struct stat status;
        if (::lstat(target.c_str(), &status) != 0) {
            return errno == ENOENT;
        }
        if (!S_ISLNK(status.st_mode)) {
            return true;
        }
        std::vector<char> link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) +
                               1);
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) {
            return false;
        }
        std::string next(link.data(), static_cast<std::size_t>(length));
        // A relative link is read from the folder that holds it.
        target = next[0] == '/' ? next : FolderOf(target) + "/" + next;
    }
    return false;
}

void MakeFolders(const std::string& folder) {
    for (std::size_t at = folder.find('/', 1); at != std::string::npos;
         at = folder.find('/', at + 1)) {
        ::mkdir(folder.substr(0, at).c_str(), 0700);
    }
    ::mkdir(folder.c_str(), 0700);
}
