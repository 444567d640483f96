// Any byte stream from the camera: every host write is answered by the next piece of the input.
// The link goes through a whole connection — wake-up, speed switch, register reads, a data
// transfer driven as a download drives it, an action, the speed reset — and must neither read
// nor write outside its buffer, nor loop without end.
#include "link/CameraLink.h"
#include "platform/fake/FakeSystem.h"

#include <cstdint>
#include <cstring>

namespace {

// Each answer is one length byte, then that many bytes (less where the input runs out).
class StreamPeer : public pixlor::SerialPeer {
public:
    StreamPeer(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    void hostSent(const BYTE*, DWORD, DWORD, pixlor::PeerReply& reply) override {
        if (at_ >= size_) return;
        std::size_t length = data_[at_++];
        // A few long answers let a data packet of any length arrive.
        if (length == 0xFF && at_ + 2 <= size_) {
            length = data_[at_] | data_[at_ + 1] << 8;
            at_ += 2;
        }
        length = std::min(length, size_ - at_);
        reply.bytes.assign(data_ + at_, data_ + at_ + length);
        at_ += length;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixlor::FakeSystem system;
    system.setLinePacing(false);
    pixlor::System* previous = pixlor::useSystem(&system);
    StreamPeer camera(data, size);
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
                if (link.receiveBuffer[0] != pixlor::WIRE_DATA) {
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
