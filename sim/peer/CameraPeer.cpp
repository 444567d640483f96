#include "sim/peer/CameraPeer.h"

namespace pixlor {

void CameraPeer::hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& reply) {
    camera_.feed(bytes, count, hostBaud);
    camera_.lineQuiet();
    // Every answer to one burst goes at the speed the burst came at (a speed switch takes
    // effect after its ACK, and what follows it in the burst is noise), so one speed suffices.
    for (sim::Emission& emission : camera_.takeOutput()) {
        if (reply.bytes.empty()) reply.baud = emission.baud;
        if (emission.workMicros != 0)
            reply.pauses.push_back({reply.bytes.size(), emission.workMicros});
        reply.bytes.insert(reply.bytes.end(), emission.bytes.begin(), emission.bytes.end());
    }
}

}  // namespace pixlor
