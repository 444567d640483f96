#include "link/CameraLink.h"

namespace pixlor {

namespace {

constexpr std::uint8_t COMMAND_SET_REGISTER = 0x00;
constexpr std::uint8_t COMMAND_GET_REGISTER = 0x01;
constexpr std::uint8_t COMMAND_ACTION = 0x02;
constexpr std::uint8_t COMMAND_REQUEST_DATA = 0x04;
constexpr std::uint8_t REGISTER_SPEED = 17;

// Entries 0 and 2 are both 19200: index 0 is the camera's own speed after a wake-up.
constexpr std::uint32_t SPEED_TABLE[] = {19200, 9600, 19200, 38400, 57600, 115200};
static_assert(sizeof SPEED_TABLE / sizeof SPEED_TABLE[0] == SPEED_INDEX_LAST + 1);

// A hand-edited setting can hold any number; the camera must get an index it knows.
std::uint32_t speedIndexInTable(std::uint32_t speedIndex) {
    return speedIndex <= SPEED_INDEX_LAST ? speedIndex : SPEED_INDEX_LAST;
}

// Re-requests of a damaged register value; the download asks a damaged packet again as often.
constexpr int VALUE_REREQUESTS = 3;

// Only a data packet received intact, with at least four payload bytes, carries a value.
bool holdsRegisterValue(const std::uint8_t* answer) {
    const std::uint32_t length = answer[2] | (answer[3] << 8);
    return (answer[0] == WIRE_DATA || answer[0] == WIRE_DATA_LAST) && length >= 4;
}

}  // namespace

std::uint32_t SpeedTableBaud(std::uint32_t speedIndex) {
    return SPEED_TABLE[speedIndexInTable(speedIndex)];
}

bool CameraLink::setRegister(std::uint8_t reg, std::uint32_t value) {
    errorCode = LINK_OK;
    std::uint8_t packet[12] = {WIRE_ESC,
                               0,
                               6,
                               0,
                               COMMAND_SET_REGISTER,
                               reg,
                               static_cast<std::uint8_t>(value),
                               static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16),
                               static_cast<std::uint8_t>(value >> 24)};
    if (exchange(packet)) return true;
    errorCode = LINK_ERR_SET_REGISTER;
    return false;
}

bool CameraLink::getRegister(std::uint8_t reg, std::uint32_t& value) {
    errorCode = LINK_OK;
    std::uint8_t packet[8] = {WIRE_ESC, 0, 2, 0, COMMAND_GET_REGISTER, reg};
    exchange(packet);
    // An intact answer without a value leaves only stale bytes at the value's offsets: it is
    // asked again like a damaged one.
    auto markAnswerWithoutValue = [this] {
        if (port->statusFlags == 0 && !holdsRegisterValue(receiveBuffer.get()))
            port->statusFlags |= STATUS_UNEXPECTED;
    };
    markAnswerWithoutValue();
    for (int rerequests = 0;
         rerequests < VALUE_REREQUESTS &&
         (port->statusFlags & (STATUS_CHECKSUM | STATUS_UNEXPECTED)) != 0;
         ++rerequests) {
        sendByte(WIRE_NAK);
        receive();
        markAnswerWithoutValue();
    }
    speedCommand = 0;
    if (port->statusFlags != 0) {
        errorCode = LINK_ERR_GET_REGISTER;
        return false;
    }
    sendByte(WIRE_ACK);
    const std::uint8_t* bytes = receiveBuffer.get() + 4;
    value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

bool CameraLink::requestData(std::uint8_t reg) {
    errorCode = LINK_OK;
    std::uint8_t packet[8] = {WIRE_ESC, 0, 2, 0, COMMAND_REQUEST_DATA, reg};
    if (exchange(packet)) return true;
    errorCode = LINK_ERR_GET_DATA;
    return false;
}

bool CameraLink::answerAndReceive(bool nak) {
    errorCode = LINK_OK;
    sendByte(nak ? WIRE_NAK : WIRE_ACK);
    receive();
    speedCommand = 0;
    if (port->statusFlags == 0) return true;
    errorCode = LINK_ERR_NEXT_PACKET;
    return false;
}

bool CameraLink::runAction(std::uint8_t action, std::uint8_t argument, std::uint32_t waitMicros) {
    std::uint8_t packet[9] = {WIRE_ESC, 0, 3, 0, COMMAND_ACTION, action, argument};
    exchange(packet);
    errorCode = LINK_ERR_ACTION;
    if (port->statusFlags != 0 || receiveBuffer[0] != WIRE_ACK) return false;

    // The completion may take longer than an ordinary answer: wait the caller's time for it.
    const std::uint32_t keptPerByte = port->readPerByteMicros;
    port->readPerByteMicros = waitMicros;
    if (waitMicros != keptPerByte && !port->applyTimeouts()) {
        port->readPerByteMicros = keptPerByte;
        return false;
    }
    receive();
    if ((port->statusFlags & STATUS_UNEXPECTED) != 0 && receiveBuffer[0] == WIRE_COMPLETE)
        port->statusFlags &= ~STATUS_UNEXPECTED;
    port->readPerByteMicros = keptPerByte;
    if (!port->applyTimeouts()) return false;
    if (port->statusFlags != 0 || receiveBuffer[0] != WIRE_COMPLETE) return false;
    errorCode = LINK_OK;
    return true;
}

bool CameraLink::switchSpeed(std::uint32_t speedIndex) {
    return setSpeed(speedIndexInTable(speedIndex), LINK_ERR_SPEED_SET);
}

bool CameraLink::resetSpeed() { return setSpeed(0, LINK_ERR_SPEED_RESET); }

bool CameraLink::setSpeed(std::uint32_t speedIndex, std::int32_t refusedCode) {
    // Every packet of this exchange, re-sends included, goes out as a speed packet.
    speedCommand = 1;
    if (!setRegister(REGISTER_SPEED, speedIndex)) {
        errorCode = refusedCode;
        return false;
    }
    // The camera's ACK came at the old speed; its next packet comes at the new one.
    if (!port->configure(SpeedTableBaud(speedIndex), 8, 0, 0)) {
        errorCode = LINK_ERR_PORT_SETUP;
        return false;
    }
    return true;
}

}  // namespace pixlor
