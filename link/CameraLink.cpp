#include "link/CameraLink.h"

#include "platform/System.h"

namespace pixlor {

namespace {

constexpr std::uint32_t HEADER_SIZE = 4;    // type, header byte or packet type, 16-bit length
constexpr std::uint32_t CHECKSUM_SIZE = 2;
constexpr int COMMAND_SENDS = 3;
constexpr int WAKE_TRIES = 3;

std::uint16_t checksum(const std::uint8_t* payload, std::uint32_t length) {
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) sum += payload[i];
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t readLittle16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

CameraLink::CameraLink(std::uint8_t portIndex)
    : port(std::make_unique<SerialPort>(portIndex)),
      receiveBuffer(std::make_unique<std::uint8_t[]>(RECEIVE_BUFFER_SIZE)) {}

CameraLink::~CameraLink() = default;

bool CameraLink::wakeUp(std::uint32_t configuredSpeedIndex) {
    port->statusFlags = 0;
    errorCode = LINK_OK;
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
    if (probe(WAKE_TRIES)) return true;
    if (errorCode != LINK_OK) return false;
    // After a line failure nothing told the camera to go back to its default speed, so it may
    // still listen at another one: it is looked for there and sent back before the usual probes.
    if (sendBackFromOtherSpeed(configuredSpeedIndex) && probe(WAKE_TRIES)) return true;
    if (errorCode == LINK_OK) errorCode = LINK_ERR_NO_WAKE;
    return false;
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

bool CameraLink::sendPacket(std::uint8_t* packet) {
    packet[1] = speedCommand != 0 ? WIRE_SPEED_COMMAND : WIRE_COMMAND;
    const std::uint32_t length = readLittle16(packet + 2);
    const std::uint16_t sum = checksum(packet + HEADER_SIZE, length);
    packet[HEADER_SIZE + length] = static_cast<std::uint8_t>(sum);
    packet[HEADER_SIZE + length + 1] = static_cast<std::uint8_t>(sum >> 8);
    return port->write(packet, HEADER_SIZE + length + CHECKSUM_SIZE);
}

bool CameraLink::receive() {
    port->statusFlags = 0;
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
    if (!port->read(packet + 1, HEADER_SIZE - 1)) return;
    const std::uint32_t length = readLittle16(packet + 2);
    if (HEADER_SIZE + length + CHECKSUM_SIZE > RECEIVE_BUFFER_SIZE) {
        // Longer than any packet the buffer can hold: refused. The rest of it is still on the
        // line; it is let pass, as far as the header announced it and the line is not quiet,
        // so that its bytes are not taken for the answer to the next request.
        const std::uint32_t flags = port->statusFlags;
        std::uint8_t ignored = 0;
        for (std::uint32_t left = length + CHECKSUM_SIZE; left > 0 && port->readByte(&ignored);
             --left) {
        }
        port->statusFlags = flags | STATUS_UNEXPECTED;
        return;
    }
    std::uint8_t* payload = packet + HEADER_SIZE;
    if (!port->read(payload, length)) return;
    if (!port->read(payload + length, CHECKSUM_SIZE)) return;
    if (readLittle16(payload + length) != checksum(payload, length))
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

bool CameraLink::exchange(std::uint8_t* packet) {
    for (int sends = 1;; ++sends) {
        sendPacket(packet);
        receive();
        if ((port->statusFlags & STATUS_NAK) == 0 || sends == COMMAND_SENDS) break;
    }
    speedCommand = 0;
    return port->statusFlags == 0;
}

}  // namespace pixlor
