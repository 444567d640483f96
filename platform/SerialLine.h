// What the stand-ins of a serial port (posix/, fake/) share, so that both behave as the Windows
// serial driver does: which names open a port, the settings a port opens with, and how long a
// read waits under a COMMTIMEOUTS.
#pragma once

#include "platform/Win32Api.h"

#include <algorithm>
#include <cstdint>

namespace pixlor {

// "\\.\COM3" or "COM3" -> 3; 0 for any other name.
unsigned comNumber(LPCSTR name);

// The settings of a port just opened: `baud`, 8 data bits, no parity, one stop bit, binary, DTR
// and RTS on, no flow control.
DCB openedPortDcb(DWORD baud);

struct ReadWait {
    bool returnWithAny = false;    // returns as soon as it holds a byte, with what has come
    bool unbounded = false;        // no total time-out
    std::uint64_t totalMs = 0;     // the whole read, from its start
    std::uint64_t intervalMs = 0;  // between two bytes, from the first byte on; 0 = none

    // When the whole read ends at the latest, for a read started at `startMicros`;
    // UINT64_MAX = never.
    std::uint64_t deadlineMicros(std::uint64_t startMicros) const {
        return unbounded ? UINT64_MAX : startMicros + totalMs * 1000u;
    }
    // When the read gives up waiting for its next byte, holding `held` bytes of which the last
    // came at `lastByteMicros`.
    std::uint64_t givesUpAt(std::uint64_t startMicros, DWORD held,
                            std::uint64_t lastByteMicros) const {
        const std::uint64_t deadline = deadlineMicros(startMicros);
        if (held == 0) return deadline;
        if (returnWithAny) return lastByteMicros;  // what has come by then, no more
        return intervalMs == 0 ? deadline : std::min(deadline, lastByteMicros + intervalMs * 1000u);
    }
};

inline ReadWait readWaitFor(const COMMTIMEOUTS& timeouts, DWORD count) {
    ReadWait wait;
    const DWORD multiplier = timeouts.ReadTotalTimeoutMultiplier;
    const DWORD constant = timeouts.ReadTotalTimeoutConstant;
    if (timeouts.ReadIntervalTimeout == MAXDWORD && multiplier == 0 && constant == 0) {
        wait.returnWithAny = true;  // what is there now, at once
        return wait;
    }
    if (timeouts.ReadIntervalTimeout == MAXDWORD && multiplier == MAXDWORD && constant != 0 &&
        constant != MAXDWORD) {
        wait.returnWithAny = true;  // the first byte awaited for `constant` ms at most
        wait.totalMs = constant;
        return wait;
    }
    wait.unbounded = multiplier == 0 && constant == 0;
    wait.totalMs = std::uint64_t{multiplier} * count + constant;
    wait.intervalMs = timeouts.ReadIntervalTimeout;
    return wait;
}

}  // namespace pixlor
