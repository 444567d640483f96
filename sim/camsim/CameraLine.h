// The serial line between the host and the simulated camera, on a pseudo-terminal: the host's
// bytes go to the camera model, and the camera's answers go back paced at the camera's line
// speed (10 bit times a byte, against absolute deadlines, so no drift builds up). When the two
// ends' speeds differ, each side receives noise.
#pragma once

#include "platform/posix/ByteLogFile.h"
#include "sim/CameraModel.h"
#include "sim/camsim/PseudoTerminal.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

namespace pixlor::camsim {

struct LineOptions {
    bool pacing = true;
    // A packet still incomplete this long after its last byte is answered as damaged.
    std::uint64_t quietGapNs = 50'000'000;
};

class CameraLine {
public:
    CameraLine(PseudoTerminal& terminal, sim::CameraModel& camera, LineOptions options,
               ByteLogFile* log);
    // Runs until a signal sets `stop`; the signals are blocked except while waiting, with
    // `waitMask` in force then. Returns false with `error` on a failure of the line.
    bool run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask, std::string& error);

private:
    struct Segment {
        std::uint32_t baud;
        std::vector<BYTE> bytes;
        std::uint64_t startNs;
        std::size_t written = 0;
    };

    bool readHost(std::uint64_t now, std::string& error);
    void queueAnswers(std::uint64_t readyNs);
    bool writeDue(std::uint64_t now, std::string& error);
    // When the next byte (or small group of bytes) falls due; 0 when nothing waits.
    std::uint64_t nextDueNs() const;
    std::uint64_t elapsed(std::uint64_t now) const { return now - startNs_; }

    PseudoTerminal& terminal_;
    sim::CameraModel& camera_;
    LineOptions options_;
    ByteLogFile* log_;
    std::deque<Segment> queue_;
    std::uint64_t lineFreeNs_ = 0;   // the camera's last queued byte is out by then
    std::uint64_t inputDoneNs_ = 0;  // the host's last byte has crossed the line by then
    std::uint64_t startNs_ = 0;
    bool writeBlocked_ = false;  // the host's input queue is full
    std::vector<BYTE> noise_;    // answers as a host at another speed receives them
};

}  // namespace pixlor::camsim
