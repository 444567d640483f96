// The camera behind the test system's serial port, on the virtual clock: the speeds the bytes
// travel at, and the project's link talking to it.
#include "link/CameraLink.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace pixlor::test {
namespace {

using sim::CameraModel;
using sim::PictureKind;

// A host that uses the port directly, with one-second reads.
class ACameraOnComOne : public ::testing::Test {
protected:
    void SetUp() override {
        fake.system.attachPort(1, &cameraPeer);
        port = fake.system.CreateFileA("\\\\.\\COM1", 0xC0000000u, 0, OPEN_EXISTING, 0);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        COMMTIMEOUTS timeouts{0, 1000, 1, 0, 0};
        ASSERT_TRUE(fake.system.SetCommTimeouts(port, &timeouts));
        setBaud(19200);
    }
    void TearDown() override { fake.system.CloseHandle(port); }
    void setBaud(DWORD baud) {
        DCB dcb{};
        ASSERT_TRUE(fake.system.GetCommState(port, &dcb));
        dcb.BaudRate = baud;
        ASSERT_TRUE(fake.system.SetCommState(port, &dcb));
    }
    void write(const Bytes& bytes) {
        DWORD done = 0;
        ASSERT_TRUE(
            fake.system.WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &done));
    }
    Bytes read(DWORD count) {
        Bytes bytes(count);
        DWORD done = 0;
        EXPECT_TRUE(fake.system.ReadFile(port, bytes.data(), count, &done));
        bytes.resize(done);
        return bytes;
    }

    FakeSystemInForce fake;
    CameraModel camera{threePictures()};
    CameraPeer cameraPeer{camera};
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(ACameraOnComOne, AcknowledgesTheSpeedSwitchAtTheOldSpeed) {
    write(setRegisterPacket(17, 5, 0x53));
    EXPECT_EQ(read(1), (Bytes{0x06}));  // the host still listens at 19200 and reads it intact
    setBaud(115200);
    write({0x00});
    EXPECT_EQ(read(1), (Bytes{0x15}));
}

TEST_F(ACameraOnComOne, IsDeafToAHostThatStayedAtTheOldSpeed) {
    write(setRegisterPacket(17, 4, 0x53));
    read(1);
    const std::uint64_t before = fake.system.nowMicros();
    write({0x00});
    EXPECT_TRUE(read(1).empty());
    EXPECT_GE(fake.system.nowMicros() - before, 1000000u);  // the read waited out its time-out
}

TEST_F(ACameraOnComOne, ReachesAHostAtAnotherSpeedOnlyAsNoise) {
    write({0x00});
    setBaud(9600);  // the answer goes at 19200 and is read at 9600
    EXPECT_NE(read(1), (Bytes{0x15}));
}

// The project's link against the camera: wake-up, speed, count, a whole photo.
class TheLinkTalkingToTheCamera : public ::testing::Test {
protected:
    void SetUp() override { fake.system.attachPort(1, &cameraPeer); }
    FakeSystemInForce fake;
    CameraModel camera{threePictures(), 11, 2048};
    CameraPeer cameraPeer{camera};
    CameraLink link{0};
};

TEST_F(TheLinkTalkingToTheCamera, ReadsTheCountAndAPhotoAtTheFastSpeed) {
    ASSERT_TRUE(link.wakeUp());
    ASSERT_TRUE(link.switchSpeed(5));
    EXPECT_EQ(camera.baud(), 115200u);
    std::uint32_t count = 0;
    ASSERT_TRUE(link.getRegister(10, count));
    EXPECT_EQ(count, 3u);
    ASSERT_TRUE(link.setRegister(4, 1));
    ASSERT_TRUE(link.requestData(14));
    Bytes data;
    for (;;) {
        data.insert(data.end(), link.answerPayload(), link.answerPayload() + link.answerLength());
        if (link.answerType() == 0x03) break;
        ASSERT_TRUE(link.answerAndReceive(false));
    }
    ASSERT_TRUE(link.sendByte(0x06));
    EXPECT_EQ(data, camera.expectedData(camera.pictures()[0].id, PictureKind::Photo));
    ASSERT_TRUE(link.resetSpeed());
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_FALSE(camera.transferWaiting());
}

TEST_F(TheLinkTalkingToTheCamera, DeletesThroughTheActionWithItsCompletionByte) {
    ASSERT_TRUE(link.wakeUp());
    ASSERT_TRUE(link.runAction(0, 0, 1000000));
    EXPECT_EQ(camera.pictures().size(), 2u);
}

// A camera that a line failure left at a fast speed, in the middle of a photo: the next
// connection's wake-up finds it there and sends it back, without a power cycle.
struct LeftAt {
    std::uint32_t cameraIndex;      // the speed the camera was left at
    std::uint32_t configuredIndex;  // the speed the settings ask for
    std::vector<DWORD> probeBauds;  // where the next wake-up probes, in order
};

class ACameraLeftAtAFastSpeed : public TheLinkTalkingToTheCamera,
                                public ::testing::WithParamInterface<LeftAt> {};

TEST_P(ACameraLeftAtAFastSpeed, IsFoundSentBackAndWokenAt19200) {
    {
        CameraLink cutOff(0);
        ASSERT_TRUE(cutOff.wakeUp());
        ASSERT_TRUE(cutOff.switchSpeed(GetParam().cameraIndex));
        ASSERT_TRUE(cutOff.setRegister(4, 1));
        ASSERT_TRUE(cutOff.requestData(14));
    }  // the line fails: nothing more is sent
    ASSERT_TRUE(camera.transferWaiting());
    const std::size_t before = camera.log().size();
    const std::uint64_t start = fake.system.nowMicros();
    ASSERT_TRUE(link.wakeUp(GetParam().configuredIndex)) << "link error " << link.errorCode;
    const double seconds = static_cast<double>(fake.system.nowMicros() - start) / 1e6;
    std::printf("woken after %.3f s on the virtual clock\n", seconds);
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_EQ(fake.system.portBaud(1), 19200u);
    std::vector<DWORD> probes;
    Bytes intact;
    for (std::size_t i = before; i < camera.log().size(); ++i) {
        const sim::ByteLogEntry& entry = camera.log()[i];
        if (entry.fromHost && entry.bytes == Bytes{0x00}) probes.push_back(entry.baud);
        if (entry.fromHost && !entry.garbled)
            intact.insert(intact.end(), entry.bytes.begin(), entry.bytes.end());
    }
    EXPECT_EQ(probes, GetParam().probeBauds);
    // What the camera understood: the probe at its speed, the speed reset, the probe at 19200.
    EXPECT_EQ(intact, Bytes{0x00} + setRegisterPacket(17, 0, 0x53) + Bytes{0x00});
    ASSERT_TRUE(link.switchSpeed(GetParam().configuredIndex));
    std::uint32_t count = 0;
    EXPECT_TRUE(link.getRegister(10, count));
    EXPECT_EQ(count, 3u);
}

INSTANTIATE_TEST_SUITE_P(
    WhereverItIs, ACameraLeftAtAFastSpeed,
    ::testing::Values(LeftAt{5, 5, {19200, 19200, 19200, 115200, 19200}},
                      LeftAt{4, 5, {19200, 19200, 19200, 115200, 57600, 19200}},
                      LeftAt{1, 3, {19200, 19200, 19200, 38400, 115200, 57600, 9600, 19200}}),
    [](const auto& test) {
        return "At" + std::to_string(sim::cameraBaudForIndex(test.param.cameraIndex)) +
               "WithTheSettingAt" +
               std::to_string(sim::cameraBaudForIndex(test.param.configuredIndex));
    });

}  // namespace
}  // namespace pixlor::test
