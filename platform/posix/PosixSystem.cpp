// The system seam on Linux: the same behaviour the plug-in gets from Windows, so that it runs and
// is tested natively. Serial ports are terminals set up through termios, files take "\" as a
// separator, the registry lives in a .reg text file.
#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "platform/ReadWait.h"
#include "platform/RegistryModel.h"
#include "platform/System.h"
#include "platform/posix/RegistryFile.h"
#include "platform/posix/SerialDevice.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pixlor {

std::string SerialDeviceOf(unsigned comNumber) {
    const std::string variable = "PIXLOR_COM" + std::to_string(comNumber);
    if (const char* device = std::getenv(variable.c_str()); device != nullptr && *device != '\0')
        return device;
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

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

std::string unixPath(LPCSTR name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// One open thing behind a HANDLE.
struct PosixHandle {
    enum class Kind { Port, File, Find } kind;
    int fd = -1;
    DCB dcb{};                // the line settings as the plug-in last set them
    COMMTIMEOUTS timeouts{};
    std::vector<WIN32_FIND_DATAA> found;
    size_t nextFound = 0;
};

PosixHandle* handleOf(HANDLE handle, PosixHandle::Kind kind) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    auto* object = static_cast<PosixHandle*>(handle);
    return object->kind == kind ? object : nullptr;
}

// "\\.\COM3" or "COM3" -> 3; 0 for any other name.
unsigned comNumber(LPCSTR name) {
    const char* text = name;
    if (std::strncmp(text, "\\\\.\\", 4) == 0) text += 4;
    if (std::strncmp(text, "COM", 3) != 0 || text[3] == '\0') return 0;
    unsigned number = 0;
    for (text += 3; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9' || number > 1000) return 0;
        number = number * 10 + static_cast<unsigned>(*text - '0');
    }
    return number;
}

speed_t speedCode(DWORD baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

std::uint64_t monotonicMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

timespec timespecFrom(const FILETIME* time) {
    if (time == nullptr) return timespec{0, UTIME_OMIT};
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(time->dwHighDateTime) << 32 | time->dwLowDateTime;
    timespec spec{};
    spec.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(ticks / 10000000u) -
                                      kSecondsFrom1601To1970);
    spec.tv_nsec = static_cast<long>(ticks % 10000000u * 100u);
    return spec;
}

FILETIME fileTimeFrom(const timespec& spec) {
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(spec.tv_sec + kSecondsFrom1601To1970) * 10000000u +
        static_cast<std::uint64_t>(spec.tv_nsec) / 100u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

class PosixSystem final : public System {
public:
    // --- serial ports and files ---
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                       DWORD flagsAndAttributes) override {
        (void)flagsAndAttributes;
        if (const unsigned number = comNumber(name); number != 0) return openPort(number);
        int flags = O_CLOEXEC;
        if ((access & GENERIC_READ) != 0 && (access & GENERIC_WRITE) != 0) flags |= O_RDWR;
        else if ((access & GENERIC_WRITE) != 0) flags |= O_WRONLY;
        else flags |= O_RDONLY;
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

    BOOL CloseHandle(HANDLE handle) override {
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
        auto* object = static_cast<PosixHandle*>(handle);
        if (object->kind == PosixHandle::Kind::Find) return fail(ERROR_INVALID_HANDLE);
        // The terminal's exclusive mode outlives our descriptor on a pseudo-terminal.
        if (object->kind == PosixHandle::Kind::Port) ::ioctl(object->fd, TIOCNXCL);
        const int result = ::close(object->fd);
        delete object;
        return result == 0 ? TRUE : failErrno();
    }

    BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) override {
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

    BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) override {
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
        if (object->kind == PosixHandle::Kind::Port && ::tcdrain(object->fd) != 0) return failErrno();
        return TRUE;
    }

    BOOL GetCommState(HANDLE handle, DCB* dcb) override {
        PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
        if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
        *dcb = port->dcb;
        return TRUE;
    }

    BOOL SetCommState(HANDLE handle, const DCB* dcb) override {
        PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
        if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
        const speed_t speed = speedCode(dcb->BaudRate);
        if (speed == B0 || dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity > 2 ||
            dcb->StopBits > 2)
            return fail(ERROR_INVALID_PARAMETER);
        termios settings{};
        if (::tcgetattr(port->fd, &settings) != 0) return failErrno();
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
        static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        settings.c_cflag |= sizes[dcb->ByteSize - 5];
        if (dcb->Parity == 1) settings.c_cflag |= PARENB | PARODD;
        if (dcb->Parity == 2) settings.c_cflag |= PARENB;
        if (dcb->StopBits == 2) settings.c_cflag |= CSTOPB;
        // Reads never block (the descriptor is non-blocking); with VMIN 1 an empty line says
        // EAGAIN and only a line that is gone reads 0 bytes.
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
        if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0 ||
            ::tcsetattr(port->fd, TCSANOW, &settings) != 0)
            return failErrno();
        port->dcb = *dcb;
        return TRUE;
    }

    BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) override {
        PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
        if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
        port->timeouts = *timeouts;
        return TRUE;
    }

    BOOL PurgeComm(HANDLE handle, DWORD flags) override {
        PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
        if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
        // Writes return once sent, so there is never output to discard. Flushing output here would
        // be wrong as well: on a pseudo-terminal it empties what the other end has not read yet.
        if ((flags & PURGE_RXCLEAR) != 0 && ::tcflush(port->fd, TCIFLUSH) != 0) return failErrno();
        return TRUE;
    }

    BOOL ClearCommError(HANDLE handle) override {
        // Linux keeps no error state that blocks the next read or write.
        return handleOf(handle, PosixHandle::Kind::Port) != nullptr ? TRUE
                                                                    : fail(ERROR_INVALID_HANDLE);
    }

    void Sleep(DWORD milliseconds) override {
        timespec rest{static_cast<time_t>(milliseconds / 1000),
                      static_cast<long>(milliseconds % 1000) * 1000000L};
        while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
        }
    }

    // --- files and folders ---
    BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                     const FILETIME* lastWrite) override {
        (void)creation;  // Linux keeps no creation time that can be set
        PosixHandle* file = handleOf(handle, PosixHandle::Kind::File);
        if (file == nullptr) return fail(ERROR_INVALID_HANDLE);
        const timespec times[2] = {timespecFrom(lastAccess), timespecFrom(lastWrite)};
        return ::futimens(file->fd, times) == 0 ? TRUE : failErrno();
    }

    BOOL DeleteFileA(LPCSTR name) override {
        return ::unlink(unixPath(name).c_str()) == 0 ? TRUE : failErrno();
    }

    HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) override {
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

    BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) override {
        PosixHandle* listing = handleOf(find, PosixHandle::Kind::Find);
        if (listing == nullptr) return fail(ERROR_INVALID_HANDLE);
        if (listing->nextFound >= listing->found.size()) return fail(ERROR_NO_MORE_FILES);
        *found = listing->found[listing->nextFound++];
        return TRUE;
    }

    BOOL FindClose(HANDLE find) override {
        PosixHandle* listing = handleOf(find, PosixHandle::Kind::Find);
        if (listing == nullptr) return fail(ERROR_INVALID_HANDLE);
        delete listing;
        return TRUE;
    }

    BOOL CreateDirectoryA(LPCSTR name) override {
        if (::mkdir(unixPath(name).c_str(), 0755) == 0) return TRUE;
        if (errno == EEXIST) return fail(ERROR_ALREADY_EXISTS);
        if (errno == ENOENT) return fail(ERROR_PATH_NOT_FOUND);
        return failErrno();
    }

    DWORD GetLastError() override { return lastError; }

    // --- time ---
    void GetSystemTime(SYSTEMTIME* now) override {
        timespec spec{};
        clock_gettime(CLOCK_REALTIME, &spec);
        const CivilTime civil = civilFromSeconds(spec.tv_sec);
        now->wYear = static_cast<WORD>(civil.year);
        now->wMonth = static_cast<WORD>(civil.month);
        now->wDayOfWeek = static_cast<WORD>(((spec.tv_sec / 86400) % 7 + 11) % 7);  // 1970-01-01 was a Thursday
        now->wDay = static_cast<WORD>(civil.day);
        now->wHour = static_cast<WORD>(civil.hour);
        now->wMinute = static_cast<WORD>(civil.minute);
        now->wSecond = static_cast<WORD>(civil.second);
        now->wMilliseconds = static_cast<WORD>(spec.tv_nsec / 1000000);
    }

    BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) override {
        return dosDateTimeToFileTime(dosDate, dosTime, fileTime) ? TRUE
                                                                  : fail(ERROR_INVALID_PARAMETER);
    }

    BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) override {
        return localFileTimeToFileTime(*local, *utc) ? TRUE : fail(ERROR_INVALID_PARAMETER);
    }

    // --- registry ---
    LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) override {
        (void)access;
        loadRegistry();
        return registry_.openKey(root, subKey, key);
    }

    LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) override {
        (void)access;
        loadRegistry();
        return registry_.createKey(root, subKey, key);
    }

    LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                          DWORD* dataSize) override {
        return registry_.queryValue(key, name, type, data, dataSize);
    }

    LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                        DWORD dataSize) override {
        return registry_.setValue(key, name, type, data, dataSize);
    }

    LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                       BYTE* data, DWORD* dataSize) override {
        return registry_.enumValue(key, index, name, nameSize, type, data, dataSize);
    }

    LONG RegCloseKey(HKEY key) override {
        const LONG result = registry_.closeKey(key);
        if (result == static_cast<LONG>(ERROR_SUCCESS) && registry_.modified()) saveRegistry();
        return result;
    }

private:
    static bool parentExists(const std::string& path) {
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) return true;
        struct stat info{};
        return ::stat(path.substr(0, slash).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    static HANDLE openPort(unsigned number) {
        const std::string device = SerialDeviceOf(number);
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            fail(errno == ENOENT ? ERROR_FILE_NOT_FOUND : errorFromErrno(errno));
            return INVALID_HANDLE_VALUE;
        }
        // Exclusive, as Windows opens a COM port: a second opener, here or in another
        // process, is refused.
        termios settings{};
        if (::tcgetattr(fd, &settings) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const DWORD error = errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : errorFromErrno(errno);
            ::close(fd);
            fail(error);
            return INVALID_HANDLE_VALUE;
        }
        ::ioctl(fd, TIOCEXCL);
        auto* port = new PosixHandle{PosixHandle::Kind::Port, fd, {}, {}, {}, 0};
        DCB& dcb = port->dcb;
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = 9600;
        for (DWORD baud : {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u})
            if (speedCode(baud) == ::cfgetospeed(&settings)) dcb.BaudRate = baud;
        dcb.fBinary = 1;
        dcb.fDtrControl = 1;
        dcb.fRtsControl = 1;
        dcb.XonLim = 2048;
        dcb.XoffLim = 512;
        dcb.ByteSize = 8;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        return port;
    }

    // The caller's signal mask without the signals that ask a program to stop: a program that
    // keeps them blocked outside the waits gets them delivered as soon as a read waits on the
    // line, and only there, so that none slips in between two reads.
    static sigset_t maskWhileWaiting() {
        sigset_t mask;
        ::pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        for (int stop : {SIGINT, SIGTERM, SIGHUP}) ::sigdelset(&mask, stop);
        return mask;
    }

    // Waits for the bytes as the Windows driver would under the port's time-outs (ReadWait):
    // the deadline is computed once and every wait gets only what remains of it. A line whose
    // other end hung up (a hang-up, EIO, or a read of 0 bytes, which with VMIN 1 means end of
    // file) fails the read at once instead of waiting, or spinning, on a line that is gone.
    static BOOL readPort(PosixHandle& port, BYTE* buffer, DWORD count, DWORD* done) {
        const ReadWait wait = readWaitFor(port.timeouts, count);
        const std::uint64_t start = monotonicMicros();
        const std::uint64_t deadline =
            wait.unbounded ? UINT64_MAX : start + wait.totalMs * 1000u;
        std::uint64_t lastByte = start;
        while (*done < count) {
            const ssize_t got = ::read(port.fd, buffer + *done, count - *done);
            if (got > 0) {
                *done += static_cast<DWORD>(got);
                lastByte = monotonicMicros();
                if (wait.returnWithAny) break;
                continue;
            }
            if (got == 0 || errno == EIO) return fail(ERROR_GEN_FAILURE);
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return failErrno();
            std::uint64_t until = deadline;
            if (*done > 0 && wait.intervalMs != 0)
                until = std::min(until, lastByte + wait.intervalMs * 1000u);
            timespec rest{};
            const timespec* limit = nullptr;
            if (until != UINT64_MAX) {
                const std::uint64_t now = monotonicMicros();
                if (now >= until) break;
                rest.tv_sec = static_cast<time_t>((until - now) / 1000000u);
                rest.tv_nsec = static_cast<long>((until - now) % 1000000u * 1000u);
                limit = &rest;
            }
            pollfd ready{port.fd, POLLIN, 0};
            const sigset_t waitMask = maskWhileWaiting();
            if (::ppoll(&ready, 1, limit, &waitMask) < 0) {
                // A signal ends the read with what it has: the caller stops at once, as after
                // a time-out, instead of waiting out the rest of the line.
                if (errno == EINTR) return fail(ERROR_OPERATION_ABORTED);
                return failErrno();
            }
            const bool gone = (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
            if (gone && (ready.revents & POLLIN) == 0) return fail(ERROR_GEN_FAILURE);
        }
        return TRUE;
    }

    static bool describe(const std::string& path, const char* name, WIN32_FIND_DATAA& data) {
        if (std::strlen(name) >= sizeof data.cFileName) return false;  // no Windows name is longer
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0 && ::lstat(path.c_str(), &info) != 0) return false;
        data.dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        data.ftCreationTime = fileTimeFrom(info.st_mtim);
        data.ftLastAccessTime = fileTimeFrom(info.st_atim);
        data.ftLastWriteTime = fileTimeFrom(info.st_mtim);
        const auto size = static_cast<std::uint64_t>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
        std::strcpy(data.cFileName, name);
        return true;
    }

    static std::string registryPath() {
        if (const char* file = std::getenv("PIXLOR_REGISTRY"); file != nullptr && *file != '\0')
            return file;
        if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
            return std::string(config) + "/pixlor/registry.reg";
        const char* home = std::getenv("HOME");
        return std::string(home != nullptr ? home : ".") + "/.config/pixlor/registry.reg";
    }

    // Loads the file again whenever it changed since the last load, so that an edit by hand is
    // seen at the next read, as every read of a setting goes to the registry.
    void loadRegistry() {
        if (registry_.openHandles() != 0) return;
        const std::string path = registryPath();
        const std::string stamp = fileStamp(path);
        if (path == loadedPath_ && stamp == loadedStamp_) return;
        registry_.clear();
        malformed_ = false;
        if (!stamp.empty()) {
            std::ifstream in(path, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            malformed_ = !parseRegFile(text.str(), registry_);
        }
        synthesizeSerialPorts();
        registry_.setModified(false);
        loadedPath_ = path;
        loadedStamp_ = stamp;
    }

    // Without a SERIALCOMM key of its own, the file lists the COM ports whose devices exist.
    void synthesizeSerialPorts() {
        synthesizedKey_.clear();
        const std::string path = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
        if (registry_.findKey(path) != nullptr) return;
        RegistryModel::Key& key = registry_.ensureKey(path);
        for (unsigned number = 1; number <= 16; ++number) {
            if (::access(SerialDeviceOf(number).c_str(), F_OK) != 0) continue;
            const std::string port = "COM" + std::to_string(number);
            RegistryModel::Value value{"\\Device\\Serial" + std::to_string(number - 1), REG_SZ,
                                       std::vector<BYTE>(port.begin(), port.end())};
            value.data.push_back(0);
            key.values.push_back(std::move(value));
        }
        synthesizedKey_ = path;
    }

    // Writes a temporary file beside the registry file and renames it over, so an interrupted
    // write never leaves a broken file. A file with lines we could not read is kept as .bak.
    void saveRegistry() {
        registry_.setModified(false);
        const std::string path = registryPath();
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos) makeFolders(path.substr(0, slash));
        const std::string temporary = path + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << formatRegFile(registry_, synthesizedKey_);
            if (!out.flush()) {
                ::unlink(temporary.c_str());
                return;
            }
        }
        if (malformed_) {
            ::rename(path.c_str(), freeBackupName(path).c_str());
            malformed_ = false;
        }
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return;
        }
        loadedStamp_ = fileStamp(path);
    }

    // "<path>.bak", or "<path>.<n>.bak" when that is taken: an earlier backup is never replaced.
    static std::string freeBackupName(const std::string& path) {
        std::string backup = path + ".bak";
        for (unsigned n = 1; ::access(backup.c_str(), F_OK) == 0; ++n)
            backup = path + "." + std::to_string(n) + ".bak";
        return backup;
    }

    // What tells one version of a file from the next; empty when there is no file.
    static std::string fileStamp(const std::string& path) {
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0) return {};
        return std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
               std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
    }

    static void makeFolders(const std::string& folder) {
        for (size_t at = folder.find('/', 1); ; at = folder.find('/', at + 1)) {
            ::mkdir(folder.substr(0, at).c_str(), 0755);
            if (at == std::string::npos) break;
        }
    }

    RegistryModel registry_;
    std::string loadedPath_;
    std::string loadedStamp_;
    std::string synthesizedKey_;
    bool malformed_ = false;
};

}  // namespace

System& nativeSystem() {
    static PosixSystem system;
    return system;
}

}  // namespace pixlor
