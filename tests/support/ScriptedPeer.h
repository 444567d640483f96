// A serial peer played from a script: each write of the host takes the next scripted reply (or,
// once the script has run out, the responder's answer, else silence), and every write is kept.
#pragma once

#include "platform/fake/FakeSystem.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace pixlor::test {

using Bytes = std::vector<BYTE>;

// A camera's data packet: type 0x02 or 0x03, a header byte, the length, the payload and the
// checksum (the payload's byte sum, low 16 bits, little-endian).
Bytes dataPacket(BYTE type, const Bytes& payload, BYTE headerByte = 0);
// The same packet with its checksum off by one.
Bytes damagedDataPacket(BYTE type, const Bytes& payload);
// A data packet whose payload is one 32-bit little-endian value, as a register is read.
Bytes valuePacket(std::uint32_t value);
Bytes operator+(Bytes first, const Bytes& second);

class ScriptedPeer : public SerialPeer {
public:
    // What the host sent in one write, and at which speed.
    struct Write {
        Bytes bytes;
        DWORD baud;
    };
    // Answers a write when the script is empty; an empty reply is silence.
    using Responder = std::function<PeerReply(const Write& write)>;

    // Queues the reply to one more host write; `baud` 0 answers at the host's speed.
    ScriptedPeer& reply(Bytes bytes, DWORD baud = 0, std::uint64_t delayMicros = 0);
    // Queues the same reply to `times` host writes.
    ScriptedPeer& replyTimes(int times, const Bytes& bytes);
    // Queues no answer to one more host write.
    ScriptedPeer& silence() { return reply({}); }
    void respondWith(Responder responder) { responder_ = std::move(responder); }

    void hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& answer) override;

    const std::vector<Write>& writes() const { return writes_; }
    // The writes that consist of exactly these bytes.
    int writesOf(const Bytes& bytes) const;
    std::size_t repliesLeft() const { return script_.size(); }

private:
    std::deque<PeerReply> script_;
    Responder responder_;
    std::vector<Write> writes_;
};

}  // namespace pixlor::test
