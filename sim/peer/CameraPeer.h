// The simulated camera on a serial line of the test system. The camera works on bytes alone;
// here one host write is one burst, after which the line is quiet, and the camera's answers go
// back at once, at the speed it sends them, its own work (an erasure) a pause before the bytes
// that follow it. The virtual line gives every byte its time on the clock.
#pragma once

#include "platform/fake/VirtualSystem.h"
#include "sim/CameraModel.h"

namespace pixlor {

class CameraPeer : public SerialPeer {
public:
    explicit CameraPeer(sim::CameraModel& camera) : camera_(camera) {}
    void hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& reply) override;

private:
    sim::CameraModel& camera_;
};

}  // namespace pixlor
