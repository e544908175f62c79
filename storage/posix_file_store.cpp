// The rank file on POSIX systems: read without ever blocking, saved so that a
// crash, a full disk or a power cut leaves either the old file or the new one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/file_store.h"
#include "storage/posix_paths.h"

namespace {

bool WriteAll(int fd, const uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// The rename is only durable once the folder's entry is on the disk too.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

enum class Replacement { Done, Failed, NoTemporary };

// Writes a complete, synced copy beside target and renames it over target.
// An existing file's mode, owner and group go to the copy first; where the
// owner cannot be kept, the caller writes in place instead.
Replacement ReplaceThroughCopy(const std::string& target, const uint8_t* bytes, std::size_t size,
                               const struct stat* existing, bool make_folder) {
    const std::string folder = FolderOf(target);
    const std::size_t slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string copy = folder + "/" + name + ".XXXXXX";
    // mkostemp creates the name exclusively and never through a link, so a
    // stale copy of any kind, or one planted by someone else, is no obstacle.
    int fd = ::mkostemp(copy.data(), O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && make_folder) {
        MakeFolders(folder);
        copy = folder + "/" + name + ".XXXXXX";
        fd = ::mkostemp(copy.data(), O_CLOEXEC);
    }
    if (fd < 0) {
        return Replacement::NoTemporary;
    }
    mode_t mode;
    if (existing) {
        if ((existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) &&
            ::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            ::close(fd);
            ::unlink(copy.c_str());
            return Replacement::NoTemporary;
        }
        mode = existing->st_mode & 07777;
    } else {
        // As a plain create would make it.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = WriteAll(fd, bytes, size);
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(copy.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(copy.c_str());
        return Replacement::Failed;
    }
    SyncFolder(folder);
    return Replacement::Done;
}

// Over the old bytes, without truncating first, so that other hard links see
// the new table and a failed write still leaves a file of full length.
bool WriteInPlace(const std::string& target, const uint8_t* bytes, std::size_t size) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat status;
    const bool written =
        ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && WriteAll(fd, bytes, size);
    if (written) {
        // A longer file keeps only the table, as the plain write leaves it;
        // where it cannot be cut, the table is still whole at its start.
        const bool longer = status.st_size > static_cast<off_t>(size);
        const bool cut = longer && ::ftruncate(fd, static_cast<off_t>(size)) == 0;
        (void)cut;
        ::fsync(fd);
    }
    ::close(fd);
    return written;
}

}  // namespace

StoredFile ReadStoredFile(const char* path, uint8_t* buffer, std::size_t capacity,
                          std::size_t& got) {
    got = 0;
    // Non-blocking, so that opening a FIFO returns at once; it is then
    // refused without a read.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? StoredFile::Missing : StoredFile::Unusable;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return StoredFile::Unusable;
    }
    while (got < capacity) {
        const ssize_t read = ::read(fd, buffer + got, capacity - got);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            ::close(fd);
            got = 0;
            return StoredFile::Unusable;
        }
        if (read == 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    ::close(fd);
    return StoredFile::Read;
}

bool WriteStoredFile(const char* path, const uint8_t* bytes, std::size_t size, bool make_folder) {
    std::string target;
    if (!FinalTarget(path, target)) {
        return false;
    }
    struct stat status;
    if (::lstat(target.c_str(), &status) != 0) {
        return errno == ENOENT &&
               ReplaceThroughCopy(target, bytes, size, nullptr, make_folder) == Replacement::Done;
    }
    // Never anything the plain write of the original could not have written.
    if (!S_ISREG(status.st_mode) || ::access(target.c_str(), W_OK) != 0) {
        return false;
    }
    if (status.st_nlink == 1) {
        const Replacement replaced = ReplaceThroughCopy(target, bytes, size, &status, false);
        if (replaced != Replacement::NoTemporary) {
            return replaced == Replacement::Done;
        }
    }
    return WriteInPlace(target, bytes, size);
}

bool AppendStoredLine(const char* path, const char* header, const char* line, bool make_folder) {
    std::string target;
    if (!FinalTarget(path, target)) {
        return false;
    }
    // Read too, for the last byte; non-blocking, so that a FIFO never waits.
    const int flags = O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(target.c_str(), flags, 0666);
    if (fd < 0 && errno == ENOENT && make_folder) {
        MakeFolders(FolderOf(target));
        fd = ::open(target.c_str(), flags, 0666);
    }
    if (fd < 0) {
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    // The line goes after the last whole line, in one write.
    std::string text;
    char last = '\n';
    if (status.st_size == 0) {
        text = header;
    } else if (::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n') {
        text = "\r\n";
    }
    text += line;
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        ok = wrote > 0;
        done += ok ? static_cast<std::size_t>(wrote) : 0;
    }
    // A line cut short by a full disk goes again, and the file is as it was.
    ok = ok && ::fsync(fd) == 0;
    if (!ok && ::ftruncate(fd, status.st_size) == 0) {
        ::fsync(fd);
    }
    ::close(fd);
    if (ok && status.st_size == 0) {
        SyncFolder(FolderOf(target));
    }
    return ok;
}
