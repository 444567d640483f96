// The check for Esc between two data packets, on the real POSIX system layer: what it costs
// after every packet (the clock read, when no look at the console is due) and what a look costs
// (the console input read without waiting), with standard input as the program was given it and
// as a pipe that a host types into; then the cost for one packet at 115200, 57600 and 19200 Bd
// with 2048-byte packets, at most one look per half second, against the packet's time.
//
//   pixlor-bench-stopcheck
#include "bench/BenchSupport.h"
#include "far/MessageNumbers.h"
#include "platform/System.h"
#include "transfer/BatchSteps.h"

#include <algorithm>
#include <cstdio>

namespace pixlor::bench {
namespace {

constexpr int CALLS = 2000000;
constexpr int LOOKS = 200000;
constexpr int RESTART_EVERY = 10000;  // well within half a second: no look falls due
constexpr double LOOK_INTERVAL_S = 0.5;
constexpr double PACKET_BYTES = 2048 + 6 + 1;  // payload, framing, and the ACK

// Microseconds a StopAsked() call takes when no look at the console is due.
double checkMicros() {
    bool stopped = false;
    const double start = cpuSeconds();
    for (int i = 0; i < CALLS; ++i) {
        if (i % RESTART_EVERY == 0) StartStopWatch(MSG_COPY_TITLE);
        stopped = StopAsked() || stopped;
    }
    const double micros = (cpuSeconds() - start) * 1e6 / CALLS;
    if (stopped) std::fprintf(stderr, "a stop was seen: the figures mean nothing\n");
    return micros;
}

// Microseconds one look takes: the console input handle, and its waiting events read.
double lookMicros() {
    INPUT_RECORD events[16];
    DWORD waiting = 0;
    const double start = cpuSeconds();
    for (int i = 0; i < LOOKS; ++i)
        os().PeekConsoleInputA(os().GetStdHandle(STD_INPUT_HANDLE), events, 16, &waiting);
    return (cpuSeconds() - start) * 1e6 / LOOKS;
}

}  // namespace
}  // namespace pixlor::bench

int main() {
    using namespace pixlor;
    using namespace pixlor::bench;
    const double check = checkMicros();
    const double lookAsGiven = lookMicros();
    // A host that types into the console gives it a pipe of its own; nothing is typed here.
    DWORD written = 0;
    os().WriteConsoleInputA(os().GetStdHandle(STD_INPUT_HANDLE), nullptr, 0, &written);
    const double lookPipe = lookMicros();
    const double look = std::max(lookAsGiven, lookPipe);
    std::printf(
        "check after a packet, no look due: %.4f us; a look at the console: %.3f us "
        "(standard input as given), %.3f us (a pipe)\n",
        check, lookAsGiven, lookPipe);
    std::printf("%8s %12s %14s %12s\n", "baud", "packet ms", "check us/pk", "of packet");
    for (const double baud : {115200.0, 57600.0, 19200.0}) {
        const double packetSeconds = PACKET_BYTES * 10 / baud;
        const double looksPerPacket = std::min(1.0, packetSeconds / LOOK_INTERVAL_S);
        const double perPacket = check + look * looksPerPacket;
        std::printf("%8.0f %12.1f %14.3f %11.5f%%\n", baud, packetSeconds * 1000, perPacket,
                    100.0 * perPacket / (packetSeconds * 1e6));
    }
    return 0;
}
