#include "tests/support/ScriptedPeer.h"

#include <algorithm>

namespace pixlor::test {

Bytes dataPacket(BYTE type, const Bytes& payload, BYTE headerByte) {
    const auto length = static_cast<std::uint16_t>(payload.size());
    std::uint32_t sum = 0;
    for (BYTE byte : payload) sum += byte;
    Bytes packet{type, headerByte, static_cast<BYTE>(length), static_cast<BYTE>(length >> 8)};
    packet.insert(packet.end(), payload.begin(), payload.end());
    packet.push_back(static_cast<BYTE>(sum));
    packet.push_back(static_cast<BYTE>(sum >> 8));
    return packet;
}

Bytes damagedDataPacket(BYTE type, const Bytes& payload) {
    Bytes packet = dataPacket(type, payload);
    ++packet[packet.size() - 2];
    return packet;
}

Bytes valuePacket(std::uint32_t value) {
    return dataPacket(0x03, {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                             static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)});
}

Bytes operator+(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

ScriptedPeer& ScriptedPeer::reply(Bytes bytes, DWORD baud, std::uint64_t delayMicros) {
    script_.push_back(PeerReply{std::move(bytes), baud, delayMicros, {}});
    return *this;
}

ScriptedPeer& ScriptedPeer::replyTimes(int times, const Bytes& bytes) {
    for (int i = 0; i < times; ++i) reply(bytes);
    return *this;
}

void ScriptedPeer::hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& answer) {
    writes_.push_back(Write{Bytes(bytes, bytes + count), hostBaud});
    if (!script_.empty()) {
        answer = std::move(script_.front());
        script_.pop_front();
    } else if (responder_) {
        answer = responder_(writes_.back());
    }
}

int ScriptedPeer::writesOf(const Bytes& bytes) const {
    return static_cast<int>(std::count_if(
        writes_.begin(), writes_.end(), [&](const Write& write) { return write.bytes == bytes; }));
}

}  // namespace pixlor::test
