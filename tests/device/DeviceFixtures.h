// Situations shared by the device suites: a device on COM1 talking to the simulated camera on
// the virtual clock, and what the camera received from it, one host write at a time.
#pragma once

#include "device/CameraDevice.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <vector>

namespace pixlor::test {

const Bytes ACK{0x06};
const Bytes NAK{0x15};
const Bytes PROBE{0x00};
constexpr std::uint32_t FAST_SPEED_INDEX = 5;
const Bytes SPEED_FAST = setRegisterPacket(17, FAST_SPEED_INDEX, 0x53);
const Bytes SPEED_RESET = setRegisterPacket(17, 0, 0x53);
const Bytes GET_COUNT = getRegisterPacket(10);
const Bytes GET_INFO = requestDataPacket(47);
const Bytes GET_PHOTO = requestDataPacket(14);
const Bytes GET_THUMB = requestDataPacket(15);
inline Bytes selectPacket(std::uint32_t number) { return setRegisterPacket(4, number); }

// The simulated camera on COM1 and a device configured for 115200 Bd.
class DeviceOnSimulatedCamera : public ::testing::Test {
protected:
    explicit DeviceOnSimulatedCamera(std::vector<sim::Picture> pictures,
                                     std::uint32_t packetSize = sim::DEFAULT_PACKET_SIZE)
        : camera(std::move(pictures), 7, packetSize) {
        system().attachPort(1, &cameraPeer);
    }
    FakeSystem& system() { return fake.system; }

    // What the panel does when it opens: count the pictures, read every picture's information
    // as one series, return the camera to its default speed.
    void openAsThePanelDoes() {
        ASSERT_TRUE(device->openCatalogue());
        for (std::uint32_t n = 1; n <= device->pictureCount; ++n)
            ASSERT_TRUE(device->readPictureInfo(n, n == device->pictureCount));
        ASSERT_TRUE(device->disconnect());
    }
    // Later writes are what hostWrites() shows.
    void markWire() { mark_ = camera.log().size(); }
    // The host's writes since the mark, as the camera received them.
    std::vector<Bytes> hostWrites() const {
        std::vector<Bytes> writes;
        for (std::size_t i = mark_; i < camera.log().size(); ++i)
            if (camera.log()[i].fromHost) writes.push_back(camera.log()[i].bytes);
        return writes;
    }
    int writesOf(const Bytes& bytes) const {
        int count = 0;
        for (const Bytes& write : hostWrites()) count += write == bytes ? 1 : 0;
        return count;
    }
    std::uint32_t flags() const { return device->link->port->statusFlags; }
    std::int32_t linkError() const { return device->link->errorCode; }

    FakeSystemInForce fake;
    sim::CameraModel camera;
    CameraPeer cameraPeer{camera};
    std::unique_ptr<CameraDevice> device = std::make_unique<CameraDevice>(0, FAST_SPEED_INDEX);

private:
    std::size_t mark_ = 0;
};

// A scripted camera on COM1, for answers the simulated camera never gives.
class DeviceOnScriptedCamera : public ::testing::Test {
protected:
    DeviceOnScriptedCamera() { fake.system.attachPort(1, &camera); }
    // The answers to the wake-up, speed switch, count read and speed reset of openCatalogue.
    void scriptCatalogueOf(std::uint32_t count) {
        camera.reply(NAK).reply(ACK).reply(registerAnswer(count)).silence().reply(ACK);
    }
    FakeSystemInForce fake;
    ScriptedPeer camera;
    CameraDevice device{0, FAST_SPEED_INDEX};
};

}  // namespace pixlor::test
