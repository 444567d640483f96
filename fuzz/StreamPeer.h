// The camera's side of the line played from a fuzzer's input.
#pragma once

#include "platform/fake/FakeSystem.h"

#include <algorithm>
#include <cstdint>

namespace pixlor::fuzz {

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

}  // namespace pixlor::fuzz
