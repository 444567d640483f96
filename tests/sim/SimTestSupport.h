// Talking to the simulated camera from the host's side of the wire, byte by byte.
#pragma once

#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

namespace pixlor::test {

// A command packet as a host frames it: ESC, type, length, payload, payload sum.
inline Bytes commandPacket(const Bytes& payload, BYTE type = 0x43) {
    std::uint32_t sum = 0;
    for (BYTE byte : payload) sum += byte;
    Bytes packet;
    packet.reserve(payload.size() + 6);
    for (BYTE header : {BYTE{0x1B}, type, static_cast<BYTE>(payload.size()),
                        static_cast<BYTE>(payload.size() >> 8)})
        packet.push_back(header);
    for (BYTE byte : payload) packet.push_back(byte);
    packet.push_back(static_cast<BYTE>(sum));
    packet.push_back(static_cast<BYTE>(sum >> 8));
    return packet;
}

inline Bytes setRegisterPacket(BYTE reg, std::uint32_t value, BYTE type = 0x43) {
    return commandPacket({0x00, reg, static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                          static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)},
                         type);
}
inline Bytes getRegisterPacket(BYTE reg) { return commandPacket({0x01, reg}); }
inline Bytes actionPacket(BYTE action, BYTE argument = 0) {
    return commandPacket({0x02, action, argument});
}
inline Bytes requestDataPacket(BYTE reg) { return commandPacket({0x04, reg}); }

// The camera's answer to a register read: one last data packet, sequence number 1.
inline Bytes registerAnswer(std::uint32_t value) {
    return dataPacket(0x03,
                      {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                       static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)},
                      0x01);
}

inline std::uint32_t le32At(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes.at(offset)) | std::uint32_t{bytes.at(offset + 1)} << 8 |
           std::uint32_t{bytes.at(offset + 2)} << 16 | std::uint32_t{bytes.at(offset + 3)} << 24;
}

// A data packet cut off the front of an answer, with its checksum verified as a host would.
struct ReceivedPacket {
    BYTE type = 0;
    Bytes payload;
    bool checksumOk = false;
    std::uint32_t announcedLength = 0;
};

inline ReceivedPacket takePacket(Bytes& answer) {
    ReceivedPacket packet;
    if (answer.size() < 6) {
        ADD_FAILURE() << "no data packet in an answer of " << answer.size() << " bytes";
        answer.clear();
        return packet;
    }
    packet.type = answer[0];
    packet.announcedLength = answer[2] | std::uint32_t{answer[3]} << 8;
    const std::size_t length = std::min<std::size_t>(packet.announcedLength, answer.size() - 6);
    packet.payload.assign(answer.begin() + 4, answer.begin() + 4 + static_cast<long>(length));
    std::uint32_t sum = 0;
    for (BYTE byte : packet.payload) sum += byte;
    const std::uint32_t announced = answer[4 + length] | std::uint32_t{answer[5 + length]} << 8;
    packet.checksumOk = (sum & 0xFFFF) == announced && length == packet.announcedLength;
    answer.erase(answer.begin(), answer.begin() + 6 + static_cast<long>(length));
    return packet;
}

// Each call is one host write at `baud`; the camera's answer comes back.
class HostSide {
public:
    explicit HostSide(sim::CameraModel& camera) : line_(camera) {}
    Bytes send(const Bytes& bytes, DWORD baud = 19200) {
        PeerReply reply;
        line_.hostSent(bytes.data(), static_cast<DWORD>(bytes.size()), baud, reply);
        lastBaud = reply.baud;
        return reply.bytes;
    }
    Bytes ack(DWORD baud = 19200) { return send({0x06}, baud); }
    Bytes nak(DWORD baud = 19200) { return send({0x15}, baud); }
    // Requests a data register and acknowledges every packet; the payloads joined.
    Bytes download(BYTE reg, int* packets = nullptr, DWORD baud = 19200) {
        Bytes data;
        Bytes answer = send(requestDataPacket(reg), baud);
        for (int count = 1;; ++count) {
            const ReceivedPacket packet = takePacket(answer);
            EXPECT_TRUE(packet.checksumOk);
            data.insert(data.end(), packet.payload.begin(), packet.payload.end());
            if (packet.type != 0x02 || count > 100000) {
                EXPECT_EQ(packet.type, 0x03);
                if (packets != nullptr) *packets = count;
                ack(baud);
                return data;
            }
            answer = ack(baud);
        }
    }
    DWORD lastBaud = 0;

private:
    CameraPeer line_;
};

inline std::vector<sim::Picture> threePictures() {
    return {{5000, 300, 1000000000, 0}, {4100, 200, 1000003600, 0}, {2048, 0, 1000090000, 0}};
}

}  // namespace pixlor::test
