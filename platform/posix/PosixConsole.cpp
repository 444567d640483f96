// The clock and the console on Linux. The console input is standard input: each byte that
// arrives is a key pressed and let go (0x1B alone is Esc; a terminal's escape sequence, 0x1B
// followed at once by "[" or "O", names some other key and is dropped). A terminal that edits
// lines (canonical mode) hands out no single keys: it is left alone, so that what the user types
// stays for whoever reads the line. A stop signal waiting for the program (Ctrl+C, SIGTERM,
// SIGHUP, which the console program keeps blocked outside its waits) reads as one Esc: the key
// that stops a long operation, so that both reach the same stop. WriteConsoleInputA types into a
// pipe of this process's own, which takes the place of standard input the first time.
#include "platform/posix/PosixSystem.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace pixlor::posix {

namespace {

constexpr BYTE ESCAPE_BYTE = 0x1B;
constexpr int VK_RETURN_KEY = 0x0D;

// The three standard handles: the process's descriptors 0 to 2, which no call closes.
PosixHandle standardHandles[3] = {{PosixHandle::Kind::Console, 0, {}, {}, {}, 0},
                                  {PosixHandle::Kind::File, 1, {}, {}, {}, 0},
                                  {PosixHandle::Kind::File, 2, {}, {}, {}, 0}};

INPUT_RECORD keyEvent(bool down, WORD virtualKey, char character) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.AsciiChar = character;
    return record;
}

void pressKey(PosixHandle& console, WORD virtualKey, char character) {
    console.events.push_back(keyEvent(true, virtualKey, character));
    console.events.push_back(keyEvent(false, virtualKey, character));
}

WORD virtualKeyOf(BYTE byte) {
    if (byte >= 'a' && byte <= 'z') return static_cast<WORD>(byte - 'a' + 'A');
    if ((byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == ' ') return byte;
    if (byte == '\r' || byte == '\n') return VK_RETURN_KEY;
    return 0;
}

bool stopSignalWaiting() {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return false;
    for (int stop : {SIGINT, SIGTERM, SIGHUP})
        if (::sigismember(&pending, stop) == 1) return true;
    return false;
}

// Keys arrive one by one only from a pipe, a file or a terminal out of line editing; a program
// in the background must not read its terminal (it would be stopped for it).
bool givesSingleKeys(int fd) {
    if (::isatty(fd) != 1) return true;
    termios settings{};
    return ::tcgetattr(fd, &settings) == 0 && (settings.c_lflag & ICANON) == 0 &&
           ::tcgetpgrp(fd) == ::getpgrp();
}

void translate(PosixHandle& console, const BYTE* bytes, ssize_t count) {
    for (ssize_t i = 0; i < count; ++i) {
        if (bytes[i] != ESCAPE_BYTE) {
            pressKey(console, virtualKeyOf(bytes[i]), static_cast<char>(bytes[i]));
            continue;
        }
        if (i + 1 >= count || (bytes[i + 1] != '[' && bytes[i + 1] != 'O')) {
            pressKey(console, VK_ESCAPE, static_cast<char>(ESCAPE_BYTE));
            continue;
        }
        // An escape sequence ends with its first byte from "@" to "~" after the introducer.
        for (i += 2; i < count && (bytes[i] < 0x40 || bytes[i] > 0x7E); ++i) {
        }
    }
}

// Takes what has arrived into the handle's events, without waiting.
void collect(PosixHandle& console) {
    const bool stop = stopSignalWaiting();
    if (stop && !console.stopReported) pressKey(console, VK_ESCAPE, static_cast<char>(ESCAPE_BYTE));
    console.stopReported = stop;
    if (!givesSingleKeys(console.fd)) return;
    for (;;) {
        pollfd ready{console.fd, POLLIN, 0};
        if (::poll(&ready, 1, 0) != 1 || (ready.revents & POLLIN) == 0) return;
        BYTE bytes[64];
        const ssize_t got = ::read(console.fd, bytes, sizeof bytes);
        if (got <= 0) return;  // the end of the input: no more keys
        translate(console, bytes, got);
    }
}

PosixHandle* consoleInput(HANDLE handle) { return handleOf(handle, PosixHandle::Kind::Console); }

}  // namespace

DWORD PosixSystem::GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

HANDLE PosixSystem::GetStdHandle(DWORD which) {
    const DWORD index = STD_INPUT_HANDLE - which;  // 0 input, 1 output, 2 error
    if (index > 2) {
        fail(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    return &standardHandles[index];
}

bool isStandardHandle(const PosixHandle* handle) {
    for (const PosixHandle& standard : standardHandles)
        if (handle == &standard) return true;
    return false;
}

BOOL PosixSystem::PeekConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                                    DWORD* read) {
    *read = 0;
    PosixHandle* console = consoleInput(input);
    if (console == nullptr) return fail(ERROR_INVALID_HANDLE);
    collect(*console);
    for (; *read < length && *read < console->events.size(); ++*read)
        records[*read] = console->events[*read];
    return TRUE;
}

BOOL PosixSystem::ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                                    DWORD* read) {
    *read = 0;
    PosixHandle* console = consoleInput(input);
    if (console == nullptr) return fail(ERROR_INVALID_HANDLE);
    // Waits, as Windows does, until there is an event.
    for (collect(*console); console->events.empty() && length > 0; collect(*console)) {
        pollfd ready{console->fd, POLLIN, 0};
        ::poll(&ready, 1, 100);
    }
    for (; *read < length && !console->events.empty(); ++*read) {
        records[*read] = console->events.front();
        console->events.pop_front();
    }
    return TRUE;
}

BOOL PosixSystem::WriteConsoleInputA(HANDLE input, const INPUT_RECORD* records, DWORD length,
                                     DWORD* written) {
    *written = 0;
    PosixHandle* console = consoleInput(input);
    if (console == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (console->feed < 0) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return failErrno();
        const bool replaced = ::dup2(ends[0], console->fd) == console->fd;
        ::close(ends[0]);
        if (!replaced) {
            ::close(ends[1]);
            return failErrno();
        }
        console->feed = ends[1];
    }
    for (DWORD i = 0; i < length; ++i) {
        const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        if (records[i].EventType == KEY_EVENT && key.bKeyDown != 0) {
            const char byte = key.wVirtualKeyCode == VK_ESCAPE ? static_cast<char>(ESCAPE_BYTE)
                                                               : key.uChar.AsciiChar;
            if (byte != '\0' && ::write(console->feed, &byte, 1) != 1) return failErrno();
        }
        ++*written;
    }
    return TRUE;
}

}  // namespace pixlor::posix
