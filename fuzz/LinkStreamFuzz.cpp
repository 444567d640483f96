// Any byte stream from the camera: every host write is answered by the next piece of the input.
// The link goes through a whole connection — wake-up, speed switch, register reads, a data
// transfer driven as a download drives it, an action, the speed reset — and must neither read
// nor write outside its buffer, nor loop without end.
#include "fuzz/StreamPeer.h"
#include "link/CameraLink.h"
#include "platform/fake/FakeSystem.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixlor::FakeSystem system;
    system.setLinePacing(false);
    pixlor::System* previous = pixlor::useSystem(&system);
    pixlor::fuzz::StreamPeer camera(data, size);
    system.attachPort(1, &camera);
    {
        pixlor::CameraLink link(0);
        if (link.wakeUp() && link.switchSpeed(5)) {
            std::uint32_t value = 0;
            link.getRegister(10, value);
            link.requestData(14);
            for (int packets = 0, retries = 0; packets < 64; ++packets) {
                const std::uint32_t flags = link.port->statusFlags;
                if ((flags & 0x0023) != 0 && ++retries < 3) {
                    link.answerAndReceive(true);
                    continue;
                }
                if (flags != 0) break;
                retries = 0;
                if (link.answerType() != pixlor::WIRE_DATA) {
                    link.sendByte(pixlor::WIRE_ACK);
                    break;
                }
                link.answerAndReceive(false);
            }
            link.runAction(7, 0, 1000000);
            link.resetSpeed();
        }
    }
    pixlor::useSystem(previous);
    return 0;
}
