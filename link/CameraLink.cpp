#include "link/CameraLink.h"

#include "platform/System.h"

#include <algorithm>

namespace pixlor {

namespace {

constexpr int COMMAND_SENDS = 3;
constexpr int WAKE_TRIES = 3;
// A camera answers the probe at once, in the time of a byte or two: a probe waits this long
// for its NAK, so that a port with no camera is known within seconds.
constexpr std::uint32_t PROBE_WAIT_MICROS = 199000;  // with the constant part, 200 ms of silence
// The refused rest of an over-long packet is read in pieces of this size.
constexpr std::uint32_t DRAIN_PIECE = 4096;

}  // namespace

CameraLink::CameraLink(std::uint8_t portIndex)
    : port(std::make_unique<SerialPort>(portIndex)),
      receiveBuffer(std::make_unique<std::uint8_t[]>(RECEIVE_BUFFER_SIZE)) {}

CameraLink::~CameraLink() = default;

bool CameraLink::wakeUp(std::uint32_t configuredSpeedIndex) {
    if (wakeOnce(configuredSpeedIndex)) return true;
    // A line that went away while nothing was sent shows only now: once more on a new port.
    return port->lineLost != 0 && portOpened != 0 && wakeOnce(configuredSpeedIndex);
}

bool CameraLink::wakeOnce(std::uint32_t configuredSpeedIndex) {
    port->statusFlags = 0;
    errorCode = LINK_OK;
    if (portOpened != 0 && port->lineLost != 0) {
        // The handle is dead (a line that hung up, an adapter unplugged and plugged in again):
        // the port is closed and opened anew, as for the first wake-up.
        port->close();
        portOpened = 0;
        purgePending = 1;
    }
    if (portOpened == 0) {
        os().Sleep(wakePauseMs);
        if (!port->open(WAKE_BAUD, 8, 0, 0)) {
            errorCode = LINK_ERR_OPEN;
            return false;
        }
        portOpened = 1;
    } else if (!port->configure(WAKE_BAUD, 8, 0, 0)) {
        errorCode = LINK_ERR_PORT_SETUP;
        return false;
    }
    if (purgePending != 0) {
        os().Sleep(settlePauseMs);
        if (!port->purge()) {
            errorCode = LINK_ERR_PURGE;
            return false;
        }
        purgePending = 0;
    }
    port->statusFlags = 0;
    const std::uint32_t answerWait = port->readPerByteMicros;
    port->readPerByteMicros = PROBE_WAIT_MICROS;
    if (!port->applyTimeouts()) {
        port->readPerByteMicros = answerWait;
        errorCode = LINK_ERR_PORT_SETUP;
        return false;
    }
    bool woken = probe(WAKE_TRIES);
    // After a line failure nothing told the camera to go back to its default speed, so it may
    // still listen at another one: it is looked for there and sent back before the usual probes.
    if (!woken && errorCode == LINK_OK)
        woken = sendBackFromOtherSpeed(configuredSpeedIndex) && probe(WAKE_TRIES);
    port->readPerByteMicros = answerWait;
    if (!port->applyTimeouts()) {
        errorCode = LINK_ERR_PORT_SETUP;
        return false;
    }
    if (!woken && errorCode == LINK_OK) errorCode = LINK_ERR_NO_WAKE;
    return woken;
}

bool CameraLink::probe(int tries) {
    for (int tried = 0; tried < tries; ++tried) {
        os().Sleep(settlePauseMs);
        sendByte(WIRE_PROBE);
        // A camera listening at the port's speed answers the probe with NAK.
        std::uint8_t answer = 0;
        if (port->readByte(&answer) && answer == WIRE_NAK) return true;
        if (!port->purge()) {
            errorCode = LINK_ERR_PURGE;
            return false;
        }
    }
    return false;
}

bool CameraLink::sendBackFromOtherSpeed(std::uint32_t configuredSpeedIndex) {
    // The configured speed first (where a series was cut off), then the others of the table,
    // fastest first (the table rises from index 1 on).
    std::uint32_t speeds[SPEED_INDEX_LAST + 1] = {SpeedTableBaud(configuredSpeedIndex)};
    for (std::uint32_t index = SPEED_INDEX_LAST; index >= 1; --index)
        speeds[SPEED_INDEX_LAST + 1 - index] = SpeedTableBaud(index);
    for (std::uint32_t i = 0; i <= SPEED_INDEX_LAST; ++i) {
        const std::uint32_t baud = speeds[i];
        if (baud == WAKE_BAUD || (i > 0 && baud == speeds[0])) continue;
        if (!port->configure(baud, 8, 0, 0)) {
            errorCode = LINK_ERR_PORT_SETUP;
            return false;
        }
        if (!probe(1)) {
            if (errorCode != LINK_OK) return false;
            continue;
        }
        // Whether the camera took it or not, the probes at the wake-up speed tell.
        resetSpeed();
        errorCode = LINK_OK;
        if (!port->configure(WAKE_BAUD, 8, 0, 0)) {
            errorCode = LINK_ERR_PORT_SETUP;
            return false;
        }
        port->statusFlags = 0;
        return true;
    }
    return false;
}

bool CameraLink::sendPacket(std::span<std::uint8_t> packet) {
    packet[COMMAND_TYPE_OFFSET] = speedCommand != 0 ? WIRE_SPEED_COMMAND : WIRE_COMMAND;
    return port->write(packet.data(), static_cast<std::uint32_t>(packet.size()));
}

bool CameraLink::receive() {
    port->statusFlags = 0;
    answerOverlong = 0;
    if (port->readByte(receiveBuffer.get())) {
        switch (receiveBuffer[0]) {
        case WIRE_DATA:
        case WIRE_DATA_LAST: receiveDataPacket(); break;
        case WIRE_ACK: break;
        case WIRE_REFUSED: port->statusFlags |= STATUS_REFUSED; break;
        case WIRE_NAK: port->statusFlags |= STATUS_NAK; break;
        default: port->statusFlags |= STATUS_UNEXPECTED; break;
        }
    }
    // Whatever the camera sent beyond the answer must not be read as the next one.
    port->purge();
    return port->statusFlags == 0;
}

void CameraLink::receiveDataPacket() {
    std::uint8_t* packet = receiveBuffer.get();
    if (!port->read(packet + 1, PACKET_HEADER_SIZE - 1)) return;
    const std::uint32_t length = answerLength();
    if (PACKET_HEADER_SIZE + length + PACKET_CHECKSUM_SIZE > RECEIVE_BUFFER_SIZE) {
        // Longer than any packet the buffer can hold: refused. A header damaged on the line
        // announces such a length for a packet that is shorter: its rest passes within a
        // buffer's worth of bytes, the line falls quiet and the packet can be asked for again.
        // A camera that sends more than that really sends too long a packet, and would send it
        // again: it is given up there. The refused bytes go into the buffer and are dropped.
        const std::uint32_t flags = port->statusFlags;
        std::uint32_t left = RECEIVE_BUFFER_SIZE - PACKET_HEADER_SIZE;
        while (left > 0) {
            const std::uint32_t piece = std::min(left, DRAIN_PIECE);
            if (!port->read(packet + PACKET_HEADER_SIZE, piece)) break;
            left -= piece;
        }
        answerOverlong = left == 0 ? 1 : 0;
        port->statusFlags = flags | STATUS_UNEXPECTED;
        return;
    }
    std::uint8_t* payload = packet + PACKET_HEADER_SIZE;
    if (!port->read(payload, length)) return;
    if (!port->read(payload + length, PACKET_CHECKSUM_SIZE)) return;
    if (readLittle16(payload + length) != packetChecksum(payload, length))
        port->statusFlags |= STATUS_CHECKSUM;
}

bool CameraLink::sendByte(std::uint8_t byte) { return port->writeByte(byte); }

bool CameraLink::letLineGoQuiet() {
    const std::uint32_t flags = port->statusFlags;
    // The rest of the packet under way and, at most, one copy asked for before: more is a
    // line that never falls silent.
    std::uint8_t ignored[64];
    std::uint32_t left = 2 * RECEIVE_BUFFER_SIZE;
    for (; left >= sizeof ignored && port->read(ignored, sizeof ignored); left -= sizeof ignored) {
    }
    const bool quiet = port->readEndedBySilence != 0;
    port->statusFlags = flags;
    return quiet;
}

bool CameraLink::exchange(std::span<std::uint8_t> packet) {
    for (int sends = 1;; ++sends) {
        sendPacket(packet);
        receive();
        if ((port->statusFlags & STATUS_NAK) == 0 || sends == COMMAND_SENDS) break;
    }
    speedCommand = 0;
    return port->statusFlags == 0;
}

}  // namespace pixlor
