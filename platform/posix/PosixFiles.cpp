// Files, folders and time on Linux, the calls that ports share with files, and the last error.
#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "platform/SerialLine.h"
#include "platform/posix/PosixSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace pixlor {

namespace posix {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

std::string unixPath(LPCSTR name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

constexpr std::int64_t SECONDS_FROM_1601_TO_1970 = 11644473600;

timespec timespecFrom(const FILETIME* time) {
    if (time == nullptr) return timespec{0, UTIME_OMIT};
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(time->dwHighDateTime) << 32 | time->dwLowDateTime;
    timespec spec{};
    spec.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(ticks / 10000000u) -
                                      SECONDS_FROM_1601_TO_1970);
    spec.tv_nsec = static_cast<long>(ticks % 10000000u * 100u);
    return spec;
}

FILETIME fileTimeFrom(const timespec& spec) {
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(spec.tv_sec + SECONDS_FROM_1601_TO_1970) * 10000000u +
        static_cast<std::uint64_t>(spec.tv_nsec) / 100u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool parentExists(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;
    struct stat info {};
    return ::stat(path.substr(0, slash).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder an entry's name lives in, flushed, so that a name made or changed in it survives a
// power cut.
bool flushFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems flush none
    ::close(fd);
    return flushed;
}

// `to` takes `from`'s file unless an entry of any kind has that name: the rename that never
// replaces, else a second name for the file and the first one removed where the file system
// knows no such rename.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

bool describe(const std::string& path, const char* name, WIN32_FIND_DATAA& data) {
    if (std::strlen(name) >= sizeof data.cFileName) return false;  // no Windows name is longer
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && ::lstat(path.c_str(), &info) != 0) return false;
    data.dwFileAttributes =
        S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    data.ftCreationTime = fileTimeFrom(info.st_mtim);
    data.ftLastAccessTime = fileTimeFrom(info.st_atim);
    data.ftLastWriteTime = fileTimeFrom(info.st_mtim);
    const auto size = static_cast<std::uint64_t>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    std::strcpy(data.cFileName, name);
    return true;
}

}  // namespace

BOOL fail(DWORD error) {
    lastError = error;
    return FALSE;
}

DWORD errorFromErrno(int error) {
    switch (error) {
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBUSY:
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
    }
}

BOOL failErrno() { return fail(errorFromErrno(errno)); }

PosixHandle* handleOf(HANDLE handle, PosixHandle::Kind kind) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    auto* object = static_cast<PosixHandle*>(handle);
    return object->kind == kind ? object : nullptr;
}

HANDLE PosixSystem::CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                                DWORD) {
    if (const unsigned number = comNumber(name); number != 0) return openPort(number);
    int flags = O_CLOEXEC;
    if ((access & GENERIC_READ) != 0 && (access & GENERIC_WRITE) != 0)
        flags |= O_RDWR;
    else if ((access & GENERIC_WRITE) != 0)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case 2: flags |= O_CREAT | O_TRUNC; break;  // CREATE_ALWAYS
    case 4: flags |= O_CREAT; break;            // OPEN_ALWAYS
    case 5: flags |= O_TRUNC; break;            // TRUNCATE_EXISTING
    default: break;
    }
    const std::string path = unixPath(name);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        failErrno();
        if (errno == ENOENT && !parentExists(path)) lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    // Without sharing, a second opener of the same file is refused, as on Windows.
    if (shareMode == 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        fail(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    return new PosixHandle{PosixHandle::Kind::File, fd, {}, {}, {}, 0};
}

BOOL PosixSystem::CloseHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
    auto* object = static_cast<PosixHandle*>(handle);
    if (object->kind == PosixHandle::Kind::Find) return fail(ERROR_INVALID_HANDLE);
    if (isStandardHandle(object)) return TRUE;  // the descriptors the process was started with
    // The terminal's exclusive mode outlives our descriptor on a pseudo-terminal.
    if (object->kind == PosixHandle::Kind::Port) {
        ::ioctl(object->fd, TIOCNXCL);
        LogPortEvent("closed");
    }
    const int result = ::close(object->fd);
    delete object;
    return result == 0 ? TRUE : failErrno();
}

BOOL PosixSystem::ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) {
    *done = 0;
    if (PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port))
        return readPort(*port, static_cast<BYTE*>(buffer), count, done);
    PosixHandle* file = handleOf(handle, PosixHandle::Kind::File);
    if (file == nullptr) return fail(ERROR_INVALID_HANDLE);
    while (*done < count) {
        const ssize_t got = ::read(file->fd, static_cast<BYTE*>(buffer) + *done, count - *done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return failErrno();
        if (got == 0) break;
        *done += static_cast<DWORD>(got);
    }
    return TRUE;
}

BOOL PosixSystem::WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) {
    *done = 0;
    PosixHandle* object = handleOf(handle, PosixHandle::Kind::Port);
    if (object == nullptr) object = handleOf(handle, PosixHandle::Kind::File);
    if (object == nullptr) return fail(ERROR_INVALID_HANDLE);
    while (*done < count) {
        const ssize_t put =
            ::write(object->fd, static_cast<const BYTE*>(buffer) + *done, count - *done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return failErrno();
        *done += static_cast<DWORD>(put);
    }
    // A synchronous Windows write returns once its bytes are sent.
    if (object->kind == PosixHandle::Kind::Port) {
        LogPortBytes(*object, true, static_cast<const BYTE*>(buffer), count);
        if (::tcdrain(object->fd) != 0) return failErrno();
    }
    return TRUE;
}

BOOL PosixSystem::SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* lastAccess,
                              const FILETIME* lastWrite) {
    // Linux keeps no creation time that can be set.
    PosixHandle* file = handleOf(handle, PosixHandle::Kind::File);
    if (file == nullptr) return fail(ERROR_INVALID_HANDLE);
    const timespec times[2] = {timespecFrom(lastAccess), timespecFrom(lastWrite)};
    return ::futimens(file->fd, times) == 0 ? TRUE : failErrno();
}

BOOL PosixSystem::DeleteFileA(LPCSTR name) {
    return ::unlink(unixPath(name).c_str()) == 0 ? TRUE : failErrno();
}

HANDLE PosixSystem::FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
    std::string path = unixPath(pattern);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? path : path.substr(slash + 1);
    if (mask == "*.*") mask = "*";  // Windows lets "*.*" match names without a dot too
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        fail(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : errorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto* listing = new PosixHandle{PosixHandle::Kind::Find, -1, {}, {}, {}, 0};
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        if (::fnmatch(mask.c_str(), entry->d_name, FNM_CASEFOLD | FNM_PERIOD) != 0 &&
            !(mask == "*" && entry->d_name[0] == '.'))
            continue;
        WIN32_FIND_DATAA data{};
        if (!describe(folder + entry->d_name, entry->d_name, data)) continue;
        listing->found.push_back(data);
    }
    const int readError = errno;
    ::closedir(directory);
    if (readError != 0 || listing->found.empty()) {
        delete listing;
        fail(readError != 0 ? errorFromErrno(readError) : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *found = listing->found[0];
    listing->nextFound = 1;
    return listing;
}

BOOL PosixSystem::FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) {
    PosixHandle* listing = handleOf(find, PosixHandle::Kind::Find);
    if (listing == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (listing->nextFound >= listing->found.size()) return fail(ERROR_NO_MORE_FILES);
    *found = listing->found[listing->nextFound++];
    return TRUE;
}

BOOL PosixSystem::FindClose(HANDLE find) {
    PosixHandle* listing = handleOf(find, PosixHandle::Kind::Find);
    if (listing == nullptr) return fail(ERROR_INVALID_HANDLE);
    delete listing;
    return TRUE;
}

BOOL PosixSystem::CreateDirectoryA(LPCSTR name) {
    std::string path = unixPath(name);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0755) == 0) {
        flushFolderOf(path);
        return TRUE;
    }
    if (errno == EEXIST) return fail(ERROR_ALREADY_EXISTS);
    if (errno == ENOENT) return fail(ERROR_PATH_NOT_FOUND);
    return failErrno();
}

DWORD PosixSystem::GetLastError() { return lastError; }

void PosixSystem::GetSystemTime(SYSTEMTIME* now) {
    timespec spec{};
    clock_gettime(CLOCK_REALTIME, &spec);
    const CivilTime civil = civilFromSeconds(spec.tv_sec);
    now->wYear = static_cast<WORD>(civil.year);
    now->wMonth = static_cast<WORD>(civil.month);
    now->wDayOfWeek =
        static_cast<WORD>(((spec.tv_sec / 86400) % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    now->wDay = static_cast<WORD>(civil.day);
    now->wHour = static_cast<WORD>(civil.hour);
    now->wMinute = static_cast<WORD>(civil.minute);
    now->wSecond = static_cast<WORD>(civil.second);
    now->wMilliseconds = static_cast<WORD>(spec.tv_nsec / 1000000);
}

BOOL PosixSystem::DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) {
    return dosDateTimeToFileTime(dosDate, dosTime, fileTime) ? TRUE : fail(ERROR_INVALID_PARAMETER);
}

BOOL PosixSystem::LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    return localFileTimeToFileTime(*local, *utc) ? TRUE : fail(ERROR_INVALID_PARAMETER);
}

BOOL PosixSystem::FlushFileBuffers(HANDLE handle) {
    PosixHandle* file = handleOf(handle, PosixHandle::Kind::File);
    if (file == nullptr) return fail(ERROR_INVALID_HANDLE);
    return ::fsync(file->fd) == 0 ? TRUE : failErrno();
}

BOOL PosixSystem::MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    const std::string from = unixPath(existing);
    const std::string to = unixPath(newName);
    if ((flags & MOVEFILE_REPLACE_EXISTING) != 0) {
        if (::rename(from.c_str(), to.c_str()) != 0) return failErrno();
    } else if (const int error = renameWithoutReplacing(from, to); error != 0) {
        return error == EEXIST ? fail(ERROR_ALREADY_EXISTS) : fail(errorFromErrno(error));
    }
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0 && !flushFolderOf(to)) return failErrno();
    return TRUE;
}

BOOL PosixSystem::TzSpecificLocalTimeToSystemTime(const SYSTEMTIME* local, SYSTEMTIME* universal) {
    return localSystemTimeToUniversal(*local, *universal) ? TRUE : fail(ERROR_INVALID_PARAMETER);
}

}  // namespace posix

System& nativeSystem() {
    static posix::PosixSystem system;
    return system;
}

}  // namespace pixlor
