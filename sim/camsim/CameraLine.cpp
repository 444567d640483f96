#include "sim/camsim/CameraLine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace pixlor::camsim {

namespace {

constexpr std::uint64_t BIT_NS_TIMES_BAUD = 10'000'000'000ull;  // 10 bits a byte, in ns x baud

// The end of byte `index` (0-based) of bytes sent from `start` at `baud`; computed from the
// start each time, so rounding never accumulates.
std::uint64_t byteEnd(std::uint64_t start, std::uint32_t baud, std::uint64_t index) {
    return start + (index + 1) * BIT_NS_TIMES_BAUD / baud;
}

// A byte sent at one speed and received at another arrives as some other byte.
BYTE garble(BYTE value) { return static_cast<BYTE>(((value << 3) | (value >> 5)) ^ 0xC5); }

}  // namespace

// --- the line ---

CameraLine::CameraLine(PseudoTerminal& terminal, sim::CameraModel& camera, LineOptions options,
                       ByteLogFile* log)
    : terminal_(terminal), camera_(camera), options_(options), log_(log) {}

bool CameraLine::run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                     std::string& error) {
    startNs_ = MonotonicNs();
    while (stop == 0) {
        std::uint64_t now = MonotonicNs();
        if (!writeDue(now, error)) return false;

        std::uint64_t wake = writeBlocked_ ? 0 : nextDueNs();
        const bool packetOpen = camera_.packetPending();
        if (packetOpen) {
            const std::uint64_t quiet = inputDoneNs_ + options_.quietGapNs;
            wake = wake == 0 ? quiet : std::min(wake, quiet);
        }
        timespec wait{};
        const timespec* limit = nullptr;
        if (wake != 0) {
            const std::uint64_t remaining = wake > now ? wake - now : 0;
            wait.tv_sec = static_cast<time_t>(remaining / 1'000'000'000u);
            wait.tv_nsec = static_cast<long>(remaining % 1'000'000'000u);
            limit = &wait;
        } else if (log_ != nullptr) {
            log_->flush();  // nothing to do for a while: make the log readable
        }
        pollfd ready{terminal_.masterFd(),
                     static_cast<short>(POLLIN | (writeBlocked_ ? POLLOUT : 0)), 0};
        const int result = ::ppoll(&ready, 1, limit, &waitMask);
        if (result < 0 && errno != EINTR) {
            error = std::string("ppoll: ") + std::strerror(errno);
            return false;
        }
        now = MonotonicNs();
        if (result > 0 && (ready.revents & POLLOUT) != 0) writeBlocked_ = false;
        if (result > 0 && (ready.revents & POLLIN) != 0 && !readHost(now, error)) return false;
        if (packetOpen && camera_.packetPending() && now >= inputDoneNs_ + options_.quietGapNs) {
            camera_.lineQuiet();
            queueAnswers(now);
        }
    }
    return true;
}

bool CameraLine::readHost(std::uint64_t now, std::string& error) {
    BYTE buffer[4096];
    const ssize_t got = ::read(terminal_.masterFd(), buffer, sizeof buffer);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR || errno == EIO) return true;
        error = std::string("read: ") + std::strerror(errno);
        return false;
    }
    if (got == 0) return true;
    const auto count = static_cast<std::size_t>(got);
    const std::uint32_t hostBaud = terminal_.hostBaud();
    const bool garbled = hostBaud != camera_.baud();
    if (log_ != nullptr)
        log_->write(elapsed(now), true, hostBaud, garbled ? " (noise to the camera)" : "", buffer,
                    count);
    if (options_.pacing) {
        // The bytes left the host just now; the last of them reaches the camera after its
        // time on the wire.
        const std::uint32_t wireBaud = hostBaud != 0 ? hostBaud : camera_.baud();
        inputDoneNs_ = byteEnd(std::max(inputDoneNs_, now), wireBaud, count - 1);
    } else {
        inputDoneNs_ = now;
    }
    camera_.feed(buffer, count, hostBaud);
    queueAnswers(inputDoneNs_);
    return true;
}

void CameraLine::queueAnswers(std::uint64_t readyNs) {
    for (sim::Emission& emission : camera_.takeOutput()) {
        if (emission.bytes.empty()) continue;
        const std::uint64_t start =
            std::max(lineFreeNs_, readyNs) + std::uint64_t{emission.workMicros} * 1000;
        lineFreeNs_ =
            options_.pacing ? byteEnd(start, emission.baud, emission.bytes.size() - 1) : start;
        queue_.push_back(Segment{emission.baud, std::move(emission.bytes), start});
    }
}

bool CameraLine::writeDue(std::uint64_t now, std::string& error) {
    while (!queue_.empty() && !writeBlocked_) {
        Segment& segment = queue_.front();
        // The camera's own work (the erasure before a completion byte) delays a segment with
        // or without pacing; pacing spreads its bytes over their time on the wire.
        std::size_t due = now < segment.startNs ? 0 : segment.bytes.size();
        if (options_.pacing) {
            // Bytes whose last bit has gone out by now.
            due = now < segment.startNs
                      ? 0
                      : static_cast<std::size_t>(std::min<std::uint64_t>(
                            due, (now - segment.startNs) * segment.baud / BIT_NS_TIMES_BAUD));
        }
        if (due <= segment.written) return true;
        const BYTE* first = segment.bytes.data() + segment.written;
        const std::size_t count = due - segment.written;
        const std::uint32_t hostBaud = terminal_.hostBaud();
        const bool garbled = hostBaud != segment.baud;
        if (garbled) {
            noise_.resize(count);
            std::transform(first, first + count, noise_.begin(), garble);
            first = noise_.data();
        }
        const ssize_t put = ::write(terminal_.masterFd(), first, count);
        if (put < 0) {
            if (errno == EAGAIN) {
                writeBlocked_ = true;
                return true;
            }
            if (errno == EINTR || errno == EIO) return true;
            error = std::string("write: ") + std::strerror(errno);
            return false;
        }
        if (log_ != nullptr)
            log_->write(elapsed(now), false, segment.baud, garbled ? " (noise to the host)" : "",
                        first, static_cast<std::size_t>(put));
        segment.written += static_cast<std::size_t>(put);
        if (segment.written < segment.bytes.size()) {
            if (static_cast<std::size_t>(put) < count) writeBlocked_ = true;
            return true;
        }
        queue_.pop_front();
    }
    return true;
}

std::uint64_t CameraLine::nextDueNs() const {
    if (queue_.empty()) return 0;
    const Segment& segment = queue_.front();
    if (!options_.pacing) return segment.startNs;
    // Wake about once a millisecond while a long answer goes out, and exactly at its last byte.
    const std::size_t perMillisecond = std::max<std::size_t>(1, segment.baud / 10 / 1000);
    const std::size_t target = std::min(segment.written + perMillisecond, segment.bytes.size());
    return byteEnd(segment.startNs, segment.baud, target - 1);
}

}  // namespace pixlor::camsim
