// The camera's wire format in one place: the bytes on the line, the packet layout, the commands,
// registers and actions, the speed table, and the little-endian numbers the packets carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pixlor {

// Bytes on the wire.
constexpr std::uint8_t WIRE_ESC = 0x1B;
constexpr std::uint8_t WIRE_COMMAND = 0x43;
constexpr std::uint8_t WIRE_SPEED_COMMAND = 0x53;
constexpr std::uint8_t WIRE_PROBE = 0x00;
constexpr std::uint8_t WIRE_DATA = 0x02;
constexpr std::uint8_t WIRE_DATA_LAST = 0x03;
constexpr std::uint8_t WIRE_COMPLETE = 0x05;
constexpr std::uint8_t WIRE_ACK = 0x06;
constexpr std::uint8_t WIRE_REFUSED = 0x11;
constexpr std::uint8_t WIRE_NAK = 0x15;

// A packet, either way: a first byte (ESC from the host, the data packet's type from the
// camera), a second header byte (the command's type from the host), the payload length, the
// payload, then the payload's checksum.
constexpr std::uint32_t COMMAND_TYPE_OFFSET = 1;
constexpr std::uint32_t PACKET_LENGTH_OFFSET = 2;
constexpr std::uint32_t PACKET_HEADER_SIZE = 4;  // also the payload's offset
constexpr std::uint32_t PACKET_CHECKSUM_SIZE = 2;

// The first payload byte of a command packet.
constexpr std::uint8_t COMMAND_SET_REGISTER = 0x00;
constexpr std::uint8_t COMMAND_GET_REGISTER = 0x01;
constexpr std::uint8_t COMMAND_ACTION = 0x02;
constexpr std::uint8_t COMMAND_REQUEST_DATA = 0x04;

// An integer register holds 32 bits; a get answers them as the first four payload bytes.
constexpr std::uint32_t REGISTER_VALUE_SIZE = 4;
constexpr std::uint8_t REGISTER_CURRENT_PICTURE = 4;  // set: 1-based picture number
constexpr std::uint8_t REGISTER_PICTURE_COUNT = 10;   // get
constexpr std::uint8_t REGISTER_PHOTO_DATA = 14;      // request data
constexpr std::uint8_t REGISTER_THUMB_DATA = 15;      // request data
constexpr std::uint8_t REGISTER_SPEED = 17;           // set, in speed packets: a speed index
constexpr std::uint8_t REGISTER_PICTURE_INFO = 47;    // request data: one packet

constexpr std::uint8_t ACTION_DELETE_LAST = 0;
constexpr std::uint8_t ACTION_DELETE_CURRENT = 7;  // the picture selected through register 4

// The line speed at which the camera listens after a wake-up and after a speed reset.
constexpr std::uint32_t WAKE_BAUD = 19200;

// The line speeds by speed index 0..SPEED_INDEX_LAST. Entries 0 and 2 are both 19200: index 0 is
// the camera's own speed after a wake-up.
constexpr std::uint32_t SPEED_TABLE[] = {19200, 9600, 19200, 38400, 57600, 115200};
constexpr std::uint32_t SPEED_INDEX_LAST = sizeof SPEED_TABLE / sizeof SPEED_TABLE[0] - 1;

// A hand-edited setting can hold any number: an index outside the table means its last entry,
// and the camera gets an index it knows.
constexpr std::uint32_t SpeedIndexInTable(std::uint32_t speedIndex) {
    return speedIndex <= SPEED_INDEX_LAST ? speedIndex : SPEED_INDEX_LAST;
}
constexpr std::uint32_t SpeedTableBaud(std::uint32_t speedIndex) {
    return SPEED_TABLE[SpeedIndexInTable(speedIndex)];
}

inline std::uint16_t readLittle16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline void writeLittle16(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline std::uint32_t readLittle32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The sum of the payload bytes, each unsigned, modulo 65536.
inline std::uint16_t packetChecksum(const std::uint8_t* payload, std::uint32_t length) {
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) sum += payload[i];
    return static_cast<std::uint16_t>(sum);
}

// A command packet around its payload, with the length and checksum that the payload gives.
// The type byte depends on the link's state: the link writes it when it sends the packet.
template <std::size_t PAYLOAD_SIZE>
class CommandPacket {
public:
    static_assert(PAYLOAD_SIZE > 0 && PAYLOAD_SIZE <= 0xFFFF, "the length field has 16 bits");

    explicit CommandPacket(const std::uint8_t (&payload)[PAYLOAD_SIZE]) {
        bytes_[0] = WIRE_ESC;
        bytes_[COMMAND_TYPE_OFFSET] = WIRE_COMMAND;
        writeLittle16(bytes_ + PACKET_LENGTH_OFFSET, PAYLOAD_SIZE);
        for (std::size_t i = 0; i < PAYLOAD_SIZE; ++i) bytes_[PACKET_HEADER_SIZE + i] = payload[i];
        writeLittle16(bytes_ + PACKET_HEADER_SIZE + PAYLOAD_SIZE,
                      packetChecksum(payload, PAYLOAD_SIZE));
    }

    std::span<std::uint8_t> bytes() { return bytes_; }

private:
    std::uint8_t bytes_[PACKET_HEADER_SIZE + PAYLOAD_SIZE + PACKET_CHECKSUM_SIZE];
};

}  // namespace pixlor
