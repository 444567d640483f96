#include "link/CameraLink.h"

namespace pixlor {

namespace {

// Re-requests of a damaged register value; the download asks a damaged packet again as often.
constexpr int VALUE_REREQUESTS = 3;

}  // namespace

bool CameraLink::setRegister(std::uint8_t reg, std::uint32_t value) {
    errorCode = LINK_OK;
    CommandPacket packet({COMMAND_SET_REGISTER, reg, static_cast<std::uint8_t>(value),
                          static_cast<std::uint8_t>(value >> 8),
                          static_cast<std::uint8_t>(value >> 16),
                          static_cast<std::uint8_t>(value >> 24)});
    if (exchange(packet.bytes())) return true;
    errorCode = LINK_ERR_SET_REGISTER;
    return false;
}

bool CameraLink::getRegister(std::uint8_t reg, std::uint32_t& value) {
    errorCode = LINK_OK;
    CommandPacket packet({COMMAND_GET_REGISTER, reg});
    exchange(packet.bytes());
    // Only a data packet carries a value: any other intact answer leaves stale bytes at the
    // value's offsets, and is asked again like a damaged one.
    auto markAnswerWithoutValue = [this] {
        if (port->statusFlags == 0 && !holdsDataPacket(REGISTER_VALUE_SIZE))
            port->statusFlags |= STATUS_UNEXPECTED;
    };
    markAnswerWithoutValue();
    for (int rerequests = 0; rerequests < VALUE_REREQUESTS &&
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
    value = readLittle32(answerPayload());
    return true;
}

bool CameraLink::requestData(std::uint8_t reg) {
    errorCode = LINK_OK;
    CommandPacket packet({COMMAND_REQUEST_DATA, reg});
    if (exchange(packet.bytes())) return true;
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
    CommandPacket packet({COMMAND_ACTION, action, argument});
    actionAccepted = 0;
    exchange(packet.bytes());
    errorCode = LINK_ERR_ACTION;
    if (port->statusFlags != 0 || answerType() != WIRE_ACK) return false;
    actionAccepted = 1;

    // The completion may take longer than an ordinary answer: wait the caller's time for it.
    const std::uint32_t keptPerByte = port->readPerByteMicros;
    port->readPerByteMicros = waitMicros;
    if (waitMicros != keptPerByte && !port->applyTimeouts()) {
        port->readPerByteMicros = keptPerByte;
        return false;
    }
    receive();
    if ((port->statusFlags & STATUS_UNEXPECTED) != 0 && answerType() == WIRE_COMPLETE)
        port->statusFlags &= ~STATUS_UNEXPECTED;
    port->readPerByteMicros = keptPerByte;
    if (!port->applyTimeouts()) return false;
    if (port->statusFlags != 0 || answerType() != WIRE_COMPLETE) return false;
    errorCode = LINK_OK;
    return true;
}

bool CameraLink::switchSpeed(std::uint32_t speedIndex) {
    return setSpeed(SpeedIndexInTable(speedIndex), LINK_ERR_SPEED_SET);
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
