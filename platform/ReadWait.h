// How long a serial read waits under a COMMTIMEOUTS, by the rules of the Windows serial driver:
// the stand-ins of the port (posix/, fake/) wait exactly as the real one does.
#pragma once

#include "platform/Win32Api.h"

#include <cstdint>

namespace pixlor {

struct ReadWait {
    bool returnWithAny = false;   // returns as soon as it holds a byte, with what has come
    bool unbounded = false;       // no total time-out
    std::uint64_t totalMs = 0;    // the whole read, from its start
    std::uint64_t intervalMs = 0; // between two bytes, from the first byte on; 0 = none
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
