// The camera's serial protocol over one SerialPort: wake-up, framed command packets with
// checksums, answers and data packets, NAK re-sends, and the register, data and action commands.
#pragma once

#include "link/CameraProtocol.h"
#include "link/LinkFailures.h"
#include "link/SerialPort.h"

#include <cstdint>
#include <memory>
#include <span>

namespace pixlor {

constexpr std::uint32_t RECEIVE_BUFFER_SIZE = 0x7FFF;

class CameraLink {
public:
    explicit CameraLink(std::uint8_t portIndex);
    ~CameraLink();
    CameraLink(const CameraLink&) = delete;
    CameraLink& operator=(const CameraLink&) = delete;

    // Link protocol. The wake-up looks for a camera that no NAK shows at 19200 Bd at the
    // other speeds, the configured one first, and sends it back to 19200 Bd; a probe waits a
    // fifth of a second for its answer. A port the system lost is opened anew first.
    bool wakeUp(std::uint32_t configuredSpeedIndex = 0);
    // Sends a CommandPacket's bytes, typed as a speed packet while speedCommand is set.
    bool sendPacket(std::span<std::uint8_t> packet);
    bool receive();
    bool sendByte(std::uint8_t byte);
    // Reads and drops whatever the camera is still sending until the line has been silent for
    // a whole wait; false when a read failed first, so that the line's state is not known.
    // statusFlags are kept.
    bool letLineGoQuiet();

    // The answer in receiveBuffer. Behind a lone control byte only the type is new: the length
    // and payload are still the previous packet's.
    std::uint8_t answerType() const { return receiveBuffer[0]; }
    std::uint32_t answerLength() const {
        return readLittle16(receiveBuffer.get() + PACKET_LENGTH_OFFSET);
    }
    const std::uint8_t* answerPayload() const { return receiveBuffer.get() + PACKET_HEADER_SIZE; }
    // The answer is a data packet with at least `minimumPayload` bytes; whether it came intact
    // lineStatus() tells.
    bool holdsDataPacket(std::uint32_t minimumPayload) const {
        return (answerType() == WIRE_DATA || answerType() == WIRE_DATA_LAST) &&
               answerLength() >= minimumPayload;
    }

    // Camera commands.
    bool setRegister(std::uint8_t reg, std::uint32_t value);
    bool getRegister(std::uint8_t reg, std::uint32_t& value);
    bool requestData(std::uint8_t reg);
    bool answerAndReceive(bool nak);
    bool runAction(std::uint8_t action, std::uint8_t argument, std::uint32_t waitMicros);
    bool switchSpeed(std::uint32_t speedIndex);
    bool resetSpeed();

    // The line as the last exchange left it: the port's status bits (kept across a step that
    // may add its own, and marked where the answer itself is wrong) and how its last read ended.
    std::uint32_t lineStatus() const { return port->statusFlags; }
    void restoreLineStatus(std::uint32_t flags) { port->statusFlags = flags; }
    void markLineStatus(std::uint32_t flag) { port->statusFlags |= flag; }
    bool lineLost() const { return port->lineLost != 0; }
    bool readInterrupted() const { return port->readInterrupted != 0; }
    bool readEndedBySilence() const { return port->readEndedBySilence != 0; }

    std::int32_t errorCode = LINK_OK;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<std::uint8_t[]> receiveBuffer;
    std::int32_t portOpened = 0;
    std::uint32_t currentPicture = 0;
    std::uint8_t deleteMode = 0;
    // The camera acknowledged the last action packet: it took the action, whatever followed.
    std::uint8_t actionAccepted = 0;
    std::uint32_t wakePauseMs = 500;
    std::uint32_t settlePauseMs = 100;
    std::uint8_t purgePending = 1;
    std::uint8_t speedCommand = 0;
    // The last answer announced a packet longer than the buffer and kept sending past a
    // buffer's worth of bytes: a packet that asking again would only bring again.
    std::uint8_t answerOverlong = 0;

private:
    // One wake-up: the port opened (anew when lost) or set to 19200 Bd, then the probes.
    bool wakeOnce(std::uint32_t configuredSpeedIndex);
    // Sends the command packet, again after each NAK (three sends in all), and receives the answer.
    bool exchange(std::span<std::uint8_t> packet);
    // Up to `tries` probes at the port's speed; true at the camera's NAK. A failed purge leaves
    // LINK_ERR_PURGE.
    bool probe(int tries);
    // Probes once at each speed other than 19200 Bd; where the camera answers, sends it the speed
    // reset and brings the port back to 19200 Bd.
    bool sendBackFromOtherSpeed(std::uint32_t configuredSpeedIndex);
    void receiveDataPacket();
    bool setSpeed(std::uint32_t speedIndex, std::int32_t refusedCode);
};

}  // namespace pixlor
