// The rank file on Windows: read without ever blocking, saved so that a
// crash, a full disk or a power cut leaves either the old file or the new one,
// in turns for the copies of the game that share it.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/file_store.h"

namespace {

std::wstring Wide(const char* path) {
    const int count = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 1), L'\0');
    if (count > 0) {
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), count);
    }
    wide.resize(wide.size() - 1);
    return wide;
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool WriteAll(HANDLE file, const uint8_t* bytes, std::size_t size) {
    DWORD wrote = 0;
    return WriteFile(file, bytes, static_cast<DWORD>(size), &wrote, nullptr) && wrote == size;
}

// A symbolic link names the file that is really saved; the link stays.
std::wstring FinalTarget(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return path;
    }
    HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return path;
    }
    std::wstring final_path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, final_path.data(),
                                             static_cast<DWORD>(final_path.size()), 0);
    if (length >= final_path.size()) {
        final_path.resize(length + 1);
        length = GetFinalPathNameByHandleW(file, final_path.data(),
                                           static_cast<DWORD>(final_path.size()), 0);
    }
    CloseHandle(file);
    if (length == 0 || length >= final_path.size()) {
        return path;
    }
    final_path.resize(length);
    return final_path;
}

enum class Replacement { Done, Failed, NoTemporary };

Replacement ReplaceThroughCopy(const std::wstring& target, const uint8_t* bytes, std::size_t size,
                               DWORD attributes) {
    // A new, uniquely named file beside the target; GetTempFileName creates
    // it, so no stale file of that name is ever reused.
    wchar_t copy[MAX_PATH + 1];
    if (GetTempFileNameW(FolderOf(target).c_str(), L"rnk", 0, copy) == 0) {
        return Replacement::NoTemporary;
    }
    HANDLE file = CreateFileW(copy, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileW(copy);
        return Replacement::NoTemporary;
    }
    bool ok = WriteAll(file, bytes, size);
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    if (ok && attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(copy, attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    }
    ok =
        ok && MoveFileExW(copy, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(copy);
        return Replacement::Failed;
    }
    return Replacement::Done;
}

}  // namespace

StoredFile ReadStoredFile(const char* path, uint8_t* buffer, std::size_t capacity,
                          std::size_t& got) {
    got = 0;
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? StoredFile::Missing
                   : StoredFile::Unusable;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return StoredFile::Unusable;
    }
    while (got < capacity) {
        DWORD read = 0;
        if (!ReadFile(file, buffer + got, static_cast<DWORD>(capacity - got), &read, nullptr)) {
            CloseHandle(file);
            got = 0;
            return StoredFile::Unusable;
        }
        if (read == 0) {
            break;
        }
        got += read;
    }
    CloseHandle(file);
    return StoredFile::Read;
}

// The Windows program keeps rank.txt in its working directory only, so it
// never has a folder to make.
bool WriteStoredFile(const char* path, const uint8_t* bytes, std::size_t size, bool) {
    const std::wstring target = FinalTarget(Wide(path));
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError() == ERROR_FILE_NOT_FOUND &&
               ReplaceThroughCopy(target, bytes, size, INVALID_FILE_ATTRIBUTES) ==
                   Replacement::Done;
    }
    // Never anything the plain write of the original could not have written.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool single_link = GetFileType(file) == FILE_TYPE_DISK &&
                             GetFileInformationByHandle(file, &information) &&
                             information.nNumberOfLinks == 1;
    if (single_link) {
        CloseHandle(file);
        const Replacement replaced = ReplaceThroughCopy(target, bytes, size, attributes);
        if (replaced != Replacement::NoTemporary) {
            return replaced == Replacement::Done;
        }
        file = CreateFileW(target.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return false;
        }
    }
    // In place: other hard links see the new table, and a failed write still
    // leaves a file of full length.
    const bool written = GetFileType(file) == FILE_TYPE_DISK && WriteAll(file, bytes, size);
    if (written) {
        SetEndOfFile(file);
        FlushFileBuffers(file);
    }
    CloseHandle(file);
    return written;
}

bool AppendStoredLine(const char* path, const char* header, const char* line, bool) {
    const std::wstring target = FinalTarget(Wide(path));
    HANDLE file = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return false;
    }
    // The line goes after the last whole line, in one write.
    std::string text;
    if (size.QuadPart == 0) {
        text = header;
    } else {
        char last = '\n';
        DWORD read = 0;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(size.QuadPart - 1);
        at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
        if (ReadFile(file, &last, 1, &read, &at) && read == 1 && last != '\n') {
            text = "\r\n";
        }
    }
    text += line;
    bool ok = SetFilePointerEx(file, size, nullptr, FILE_BEGIN) &&
              WriteAll(file, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ok = FlushFileBuffers(file) && ok;
    if (!ok) {
        // A line cut short by a full disk goes again, and the file is as it was.
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    }
    CloseHandle(file);
    return ok;
}

// The copies' turns: a named mutex for the folder that holds the file, links
// followed. It needs no file in the player's folder, and a copy that dies
// holding it leaves it abandoned, which the next waiter simply takes.
Locking LockStoredFile(const char* path, bool, uint32_t wait_ms, StoreLock& lock) {
    lock.handle = -1;
    const std::wstring folder = FolderOf(FinalTarget(Wide(path)));
    std::wstring full(MAX_PATH, L'\0');
    DWORD length =
        GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length =
            GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return Locking::Unavailable;
    }
    full.resize(length);
    // One name for every spelling of the folder: with or without the prefix a
    // followed link's final path carries, in any case, with or without a
    // trailing separator. FNV-1a keeps the name within the limit.
    if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        full.replace(0, 8, L"\\\\");
    } else if (full.rfind(L"\\\\?\\", 0) == 0) {
        full.erase(0, 4);
    }
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) {
        full.pop_back();
    }
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : full) {
        hash = (hash ^ static_cast<uint16_t>(c == L'/' ? L'\\' : c)) * 1099511628211ull;
    }
    std::wstring name = L"Local\\kobaru-rank-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += L"0123456789abcdef"[(hash >> shift) & 0xF];
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) {
        return Locking::Unavailable;
    }
    switch (WaitForSingleObject(mutex, wait_ms)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            lock.handle = reinterpret_cast<std::intptr_t>(mutex);
            return Locking::Held;
        case WAIT_TIMEOUT:
            CloseHandle(mutex);
            std::fprintf(stderr,
                         "kobaru: another copy of the game has held %s for %u ms; going on without "
                         "waiting for it\n",
                         path, static_cast<unsigned>(wait_ms));
            return Locking::TimedOut;
        default:
            CloseHandle(mutex);
            return Locking::Unavailable;
    }
}

void UnlockStoredFile(StoreLock& lock) {
    if (lock.handle != -1) {
        const auto mutex = reinterpret_cast<HANDLE>(lock.handle);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        lock.handle = -1;
    }
}
