// Serial ports on Linux: terminals set up through termios, opened exclusively, read under the
// Windows driver's time-out rules.
#include "platform/SerialLine.h"
#include "platform/posix/ByteLogFile.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace pixlor {

std::string SerialDeviceOf(unsigned comNumber) {
    const std::string variable = "PIXLOR_COM" + std::to_string(comNumber);
    if (const char* device = std::getenv(variable.c_str()); device != nullptr && *device != '\0')
        return device;
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

namespace posix {

namespace {

struct Speed {
    DWORD baud;
    speed_t code;
};

constexpr Speed LINE_SPEEDS[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                                 {9600, B9600},   {19200, B19200},   {38400, B38400},
                                 {57600, B57600}, {115200, B115200}, {230400, B230400}};

speed_t speedCode(DWORD baud) {
    for (const Speed& speed : LINE_SPEEDS)
        if (speed.baud == baud) return speed.code;
    return B0;
}

std::uint64_t monotonicMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

// The caller's signal mask without the signals that ask a program to stop: a program that
// keeps them blocked outside the waits gets them delivered as soon as a read waits on the
// line, and only there, so that none slips in between two reads.
sigset_t maskWhileWaiting() {
    sigset_t mask;
    ::pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    for (int stop : {SIGINT, SIGTERM, SIGHUP}) ::sigdelset(&mask, stop);
    return mask;
}

// The byte log of every port this process opens, begun at the first port opened.
struct PortLog {
    ByteLogFile file;
    std::uint64_t startNs = 0;
    bool opened = false;
};

PortLog& portLog() {
    static PortLog log;
    if (!log.opened) {
        log.opened = true;
        std::string ignored;  // the console program checks the file before it names it
        const char* path = std::getenv("PIXLOR_SERIAL_LOG");
        if (path != nullptr && *path != '\0' && log.file.open(path, ignored)) {
            log.startNs = MonotonicNs();
            const std::time_t now = std::time(nullptr);
            char stamp[32];
            std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S %z", std::localtime(&now));
            log.file.comment(std::string("begun ") + stamp);
        }
    }
    return log;
}

}  // namespace

void LogPortBytes(const PosixHandle& port, bool fromHost, const BYTE* bytes, std::size_t count) {
    PortLog& log = portLog();
    if (!log.file.isOpen() || count == 0) return;
    log.file.write(MonotonicNs() - log.startNs, fromHost, port.dcb.BaudRate, "", bytes, count);
    log.file.flush();
}

void LogPortEvent(const std::string& what) {
    PortLog& log = portLog();
    if (!log.file.isOpen()) return;
    log.file.comment(what, std::max<std::uint64_t>(MonotonicNs() - log.startNs, 1));
    log.file.flush();
}

HANDLE PosixSystem::openPort(unsigned number) {
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
    DWORD baud = 9600;
    for (const Speed& speed : LINE_SPEEDS)
        if (speed.code == ::cfgetospeed(&settings)) baud = speed.baud;
    LogPortEvent("COM" + std::to_string(number) + " (" + device + ") opened");
    return new PosixHandle{PosixHandle::Kind::Port, fd, openedPortDcb(baud), {}, {}, 0};
}

// Waits for the bytes as the Windows driver would under the port's time-outs (ReadWait):
// the deadline is computed once and every wait gets only what remains of it. A line whose
// other end hung up (a hang-up, EIO, or a read of 0 bytes, which with VMIN 1 means end of
// file) fails the read at once instead of waiting, or spinning, on a line that is gone.
BOOL PosixSystem::readPort(PosixHandle& port, BYTE* buffer, DWORD count, DWORD* done) {
    const ReadWait wait = readWaitFor(port.timeouts, count);
    const std::uint64_t start = monotonicMicros();
    std::uint64_t lastByte = start;
    while (*done < count) {
        const ssize_t got = ::read(port.fd, buffer + *done, count - *done);
        if (got > 0) {
            LogPortBytes(port, false, buffer + *done, static_cast<std::size_t>(got));
            *done += static_cast<DWORD>(got);
            lastByte = monotonicMicros();
            if (wait.returnWithAny) break;
            continue;
        }
        if (got == 0 || errno == EIO) return fail(ERROR_GEN_FAILURE);
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return failErrno();
        const std::uint64_t until = wait.givesUpAt(start, *done, lastByte);
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

BOOL PosixSystem::GetCommState(HANDLE handle, DCB* dcb) {
    PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    *dcb = port->dcb;
    return TRUE;
}

BOOL PosixSystem::SetCommState(HANDLE handle, const DCB* dcb) {
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

BOOL PosixSystem::SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
    PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL PosixSystem::PurgeComm(HANDLE handle, DWORD flags) {
    PosixHandle* port = handleOf(handle, PosixHandle::Kind::Port);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    // Only the receive side: a flush of output would empty what the other end has not read yet.
    if ((flags & PURGE_RXCLEAR) != 0 && ::tcflush(port->fd, TCIFLUSH) != 0) return failErrno();
    return TRUE;
}

BOOL PosixSystem::ClearCommError(HANDLE handle) {
    // Linux keeps no error state that blocks the next read or write.
    return handleOf(handle, PosixHandle::Kind::Port) != nullptr ? TRUE : fail(ERROR_INVALID_HANDLE);
}

void PosixSystem::Sleep(DWORD milliseconds) {
    timespec rest{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

}  // namespace posix

}  // namespace pixlor
