// The simulated camera seen from the wire: probe, framing, registers, actions, speed and data.
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace pixlor::test {
namespace {

using sim::CameraModel;
using sim::PictureKind;

class ACameraWithThreePictures : public ::testing::Test {
protected:
    CameraModel camera{threePictures(), 7, 1000};
    HostSide host{camera};
};

// --- probe and framing ---

TEST_F(ACameraWithThreePictures, AnswersTheWakeUpProbeWithNakAt19200) {
    EXPECT_EQ(host.send({0x00}), (Bytes{0x15}));
    EXPECT_EQ(host.lastBaud, 19200u);
    EXPECT_EQ(camera.counters().probes, 1);
}

TEST_F(ACameraWithThreePictures, IgnoresStrayBytesOutsideAPacket) {
    EXPECT_TRUE(host.send({0x06, 0x15, 0x42, 0xFF}).empty());
}

TEST_F(ACameraWithThreePictures, AnswersACommandWithABadChecksumWithNakAndLeavesItUndone) {
    Bytes packet = setRegisterPacket(4, 2);
    ++packet[packet.size() - 2];
    EXPECT_EQ(host.send(packet), (Bytes{0x15}));
    EXPECT_EQ(camera.currentPicture(), 1u);
    EXPECT_EQ(camera.counters().damagedPackets, 1);
    EXPECT_EQ(camera.counters().commands, 0);
}

TEST_F(ACameraWithThreePictures, AnswersATruncatedCommandWithNakWhenTheLineGoesQuiet) {
    const Bytes packet = setRegisterPacket(4, 2);
    EXPECT_EQ(host.send(Bytes(packet.begin(), packet.begin() + 7)), (Bytes{0x15}));
    EXPECT_EQ(camera.currentPicture(), 1u);
}

TEST_F(ACameraWithThreePictures, ReassemblesAPacketThatArrivesInPieces) {
    const Bytes packet = setRegisterPacket(4, 3);
    camera.feed(packet.data(), 3, 19200);
    EXPECT_TRUE(camera.packetPending());
    camera.feed(packet.data() + 3, packet.size() - 3, 19200);
    camera.lineQuiet();
    const auto output = camera.takeOutput();
    ASSERT_EQ(output.size(), 1u);
    EXPECT_EQ(output[0].bytes, (Bytes{0x06}));
    EXPECT_EQ(camera.currentPicture(), 3u);
}

TEST_F(ACameraWithThreePictures, AnswersABrokenHeaderWithOneNakAndSkipsTheRestOfTheBurst) {
    Bytes unknownType = getRegisterPacket(10);
    unknownType[1] = 0x44;
    EXPECT_EQ(host.send(unknownType + getRegisterPacket(10)), (Bytes{0x15}));

    const Bytes overlong{0x1B, 0x43, 0xFF, 0xFF, 0x01, 0x0A, 0x0B, 0x00};
    EXPECT_EQ(host.send(overlong), (Bytes{0x15}));
    EXPECT_EQ(camera.counters().commands, 0);
}

TEST_F(ACameraWithThreePictures, RefusesUnknownCommandsRegistersAndMalformedPayloads) {
    EXPECT_EQ(host.send(commandPacket({0x09, 4})), (Bytes{0x11}));
    EXPECT_EQ(host.send(getRegisterPacket(99)), (Bytes{0x11}));
    EXPECT_EQ(host.send(requestDataPacket(10)), (Bytes{0x11}));
    EXPECT_EQ(host.send(commandPacket({})), (Bytes{0x11}));
    EXPECT_EQ(host.send(commandPacket({0x00, 4, 2})), (Bytes{0x11}));  // value missing
    EXPECT_EQ(host.send(setRegisterPacket(10, 1)), (Bytes{0x11}));     // read-only
    EXPECT_EQ(camera.counters().commands, 6);
}

// --- registers ---

TEST_F(ACameraWithThreePictures, ReportsItsPictureCountAsOneLastDataPacketAwaitingAck) {
    Bytes answer = host.send(getRegisterPacket(10));
    ASSERT_EQ(answer.size(), 10u);
    EXPECT_EQ(answer[0], 0x03);
    EXPECT_EQ(Bytes(answer.begin() + 2, answer.end()),
              (Bytes{0x04, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x00}));
    EXPECT_TRUE(camera.transferWaiting());
    EXPECT_TRUE(host.ack().empty());
    EXPECT_FALSE(camera.transferWaiting());
}

TEST_F(ACameraWithThreePictures, SelectsPicturesOneToCountAndRefusesOthers) {
    EXPECT_EQ(host.send(setRegisterPacket(4, 3)), (Bytes{0x06}));
    EXPECT_EQ(camera.currentPicture(), 3u);
    EXPECT_EQ(host.send(setRegisterPacket(4, 0)), (Bytes{0x11}));
    EXPECT_EQ(host.send(setRegisterPacket(4, 4)), (Bytes{0x11}));
    EXPECT_EQ(host.send(setRegisterPacket(4, 0x01000001)), (Bytes{0x11}));
    EXPECT_EQ(camera.currentPicture(), 3u);
}

TEST_F(ACameraWithThreePictures, DescribesTheSelectedPictureInItsInformationRecord) {
    host.send(setRegisterPacket(4, 2));
    Bytes answer = host.send(requestDataPacket(47));
    const ReceivedPacket packet = takePacket(answer);
    EXPECT_TRUE(answer.empty());
    EXPECT_EQ(packet.type, 0x03);
    EXPECT_TRUE(packet.checksumOk);
    ASSERT_GE(packet.payload.size(), 24u);
    EXPECT_EQ(le32At(packet.payload, 0), 4100u);
    EXPECT_EQ(le32At(packet.payload, 4), 200u);
    EXPECT_EQ(le32At(packet.payload, 20), 1000003600u);
}

// --- speed ---

TEST_F(ACameraWithThreePictures, AcknowledgesASpeedSwitchAtTheOldSpeedThenListensAtTheNew) {
    EXPECT_EQ(host.send(setRegisterPacket(17, 5, 0x53)), (Bytes{0x06}));
    EXPECT_EQ(host.lastBaud, 19200u);
    EXPECT_EQ(camera.baud(), 115200u);
    EXPECT_TRUE(host.send({0x00}, 19200).empty());  // noise to the camera now
    EXPECT_EQ(host.send({0x00}, 115200), (Bytes{0x15}));
    EXPECT_EQ(host.lastBaud, 115200u);
    EXPECT_EQ(host.send(setRegisterPacket(17, 0, 0x53), 115200), (Bytes{0x06}));
    EXPECT_EQ(host.lastBaud, 115200u);
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_EQ(camera.counters().speedSwitches, 2);
}

TEST_F(ACameraWithThreePictures, FollowsTheSixEntrySpeedTable) {
    const DWORD expected[] = {19200, 9600, 19200, 38400, 57600, 115200};
    for (std::uint32_t index = 0; index < 6; ++index) {
        CameraModel fresh(threePictures());
        HostSide line(fresh);
        EXPECT_EQ(line.send(setRegisterPacket(17, index, 0x53)), (Bytes{0x06}));
        EXPECT_EQ(fresh.baud(), expected[index]) << "index " << index;
    }
}

TEST_F(ACameraWithThreePictures, RefusesSpeedsOutsideTheTableAndSpeedsInOrdinaryPackets) {
    EXPECT_EQ(host.send(setRegisterPacket(17, 6, 0x53)), (Bytes{0x11}));
    EXPECT_EQ(host.send(setRegisterPacket(17, 5, 0x43)), (Bytes{0x11}));
    EXPECT_EQ(host.send(setRegisterPacket(4, 2, 0x53)),
              (Bytes{0x11}));  // speed packets carry 17 only
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_EQ(camera.currentPicture(), 1u);
}

TEST_F(ACameraWithThreePictures, TreatsTheRestOfABurstAfterItsSpeedSwitchAsNoise) {
    const Bytes answer = host.send(setRegisterPacket(17, 3, 0x53) + Bytes{0x00});
    EXPECT_EQ(answer, (Bytes{0x06}));
    EXPECT_EQ(camera.counters().garbledBytes, 1);
    EXPECT_EQ(camera.counters().probes, 0);
}

TEST_F(ACameraWithThreePictures, DropsAHalfReceivedPacketWhenNoiseArrives) {
    const Bytes packet = setRegisterPacket(4, 2);
    camera.feed(packet.data(), 5, 19200);
    camera.feed(packet.data() + 5, 2, 57600);
    camera.feed(packet.data() + 7, packet.size() - 7, 19200);
    camera.lineQuiet();
    // The tail is no packet to the camera (its zero bytes sound like probes): never an ACK.
    for (const sim::Emission& emission : camera.takeOutput())
        for (BYTE byte : emission.bytes) EXPECT_EQ(byte, 0x15);
    EXPECT_EQ(camera.currentPicture(), 1u);
}

// --- data transfers ---

TEST_F(ACameraWithThreePictures, SendsAPhotoInPacketsOfTheConfiguredSize) {
    host.send(setRegisterPacket(4, 1));
    Bytes answer = host.send(requestDataPacket(14));
    std::vector<ReceivedPacket> packets{takePacket(answer)};
    while (packets.back().type == 0x02) {
        EXPECT_TRUE(answer.empty());
        answer = host.ack();
        packets.push_back(takePacket(answer));
    }
    ASSERT_EQ(packets.size(), 5u);  // 5000 bytes in packets of 1000
    Bytes data;
    for (const ReceivedPacket& packet : packets) {
        EXPECT_TRUE(packet.checksumOk);
        EXPECT_EQ(packet.payload.size(), 1000u);
        data.insert(data.end(), packet.payload.begin(), packet.payload.end());
    }
    EXPECT_EQ(data, camera.expectedData(camera.pictures()[0].id, PictureKind::Photo));
    EXPECT_TRUE(host.ack().empty());
    EXPECT_FALSE(camera.transferWaiting());
}

TEST_F(ACameraWithThreePictures, EndsAPhotoWithAShortLastPacket) {
    host.send(setRegisterPacket(4, 2));
    int packets = 0;
    const Bytes data = host.download(14, &packets);
    EXPECT_EQ(packets, 5);  // 4100 bytes: four full packets and 100 bytes
    EXPECT_EQ(data, camera.expectedData(camera.pictures()[1].id, PictureKind::Photo));
}

TEST_F(ACameraWithThreePictures, SendsTheSamePacketAgainAfterNak) {
    host.send(setRegisterPacket(4, 1));
    host.send(requestDataPacket(15));
    const Bytes first = host.ack();  // 300 bytes fit one packet: nothing follows the last
    EXPECT_TRUE(first.empty());
    host.send(requestDataPacket(14));
    const Bytes second = host.ack();
    EXPECT_EQ(host.nak(), second);
    EXPECT_EQ(host.nak(), second);
    EXPECT_NE(host.ack(), second);
}

TEST_F(ACameraWithThreePictures, SendsAnEmptyThumbnailAsOneEmptyLastPacket) {
    host.send(setRegisterPacket(4, 3));
    EXPECT_EQ(host.send(requestDataPacket(15)), (Bytes{0x03, 0x01, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(ACameraWithThreePictures, EndsATransferWhenACommandArrivesInsteadOfAck) {
    host.send(requestDataPacket(14));
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x06}));
    EXPECT_FALSE(camera.transferWaiting());
    EXPECT_TRUE(host.ack().empty());
}

TEST_F(ACameraWithThreePictures, EndsATransferWhenTheHostProbesAgain) {
    host.send(requestDataPacket(14));
    EXPECT_EQ(host.send({0x00}), (Bytes{0x15}));
    EXPECT_TRUE(host.ack().empty());
}

// --- actions and renumbering ---

TEST_F(ACameraWithThreePictures, DeletesTheLastPictureWithAckThenCompletion) {
    EXPECT_EQ(host.send(actionPacket(0)), (Bytes{0x06, 0x05}));
    ASSERT_EQ(camera.pictures().size(), 2u);
    EXPECT_EQ(camera.pictures()[1].id, 2u);
    EXPECT_EQ(camera.counters().deletes, 1);
}

TEST_F(ACameraWithThreePictures, RenumbersLaterPicturesAfterDeletingTheCurrentOne) {
    const std::uint32_t thirdId = camera.pictures()[2].id;
    host.send(setRegisterPacket(4, 2));
    EXPECT_EQ(host.send(actionPacket(7)), (Bytes{0x06, 0x05}));
    EXPECT_EQ(host.send(getRegisterPacket(10)), registerAnswer(2));
    host.ack();
    // Number 2 is still selected and now names the former third picture.
    EXPECT_EQ(camera.currentPicture(), 2u);
    EXPECT_EQ(camera.pictures()[1].id, thirdId);
    EXPECT_EQ(host.download(14), camera.expectedData(thirdId, PictureKind::Photo));
}

TEST_F(ACameraWithThreePictures, RefusesToDeleteWithoutAPictureSelected) {
    host.send(setRegisterPacket(4, 3));
    host.send(actionPacket(7));
    EXPECT_EQ(host.send(actionPacket(7)), (Bytes{0x11}));  // number 3 is gone
    EXPECT_EQ(host.send(requestDataPacket(14)), (Bytes{0x11}));
    EXPECT_EQ(camera.pictures().size(), 2u);
}

TEST_F(ACameraWithThreePictures, RefusesUnknownActionsAndNonZeroArguments) {
    EXPECT_EQ(host.send(actionPacket(3)), (Bytes{0x11}));
    EXPECT_EQ(host.send(actionPacket(0, 1)), (Bytes{0x11}));
    EXPECT_EQ(camera.pictures().size(), 3u);
}

TEST_F(ACameraWithThreePictures, LogsEveryByteEachWay) {
    host.send({0x00});
    host.send(getRegisterPacket(10));
    host.ack();
    EXPECT_EQ(camera.bytesFromHost(), Bytes{0x00} + getRegisterPacket(10) + Bytes{0x06});
    EXPECT_EQ(camera.bytesToHost(), Bytes{0x15} + registerAnswer(3));
}

class AnEmptyCamera : public ::testing::Test {
protected:
    CameraModel camera;
    HostSide host{camera};
};

TEST_F(AnEmptyCamera, CountsNoPicturesAndRefusesEveryPictureCommand) {
    EXPECT_EQ(host.send(getRegisterPacket(10)), registerAnswer(0));
    host.ack();
    EXPECT_EQ(host.send(setRegisterPacket(4, 1)), (Bytes{0x11}));
    EXPECT_EQ(host.send(requestDataPacket(47)), (Bytes{0x11}));
    EXPECT_EQ(host.send(actionPacket(0)), (Bytes{0x11}));
}

TEST(CameraModelIdentity, KeepsGivenIdentitiesAndNumbersTheRestAfterThem) {
    CameraModel camera({{1, 1, 0, 9}, {1, 1, 0, 0}});
    EXPECT_EQ(camera.pictures()[0].id, 9u);
    EXPECT_EQ(camera.pictures()[1].id, 10u);
}

}  // namespace
}  // namespace pixlor::test

namespace pixlor::test {
namespace {

// Line noise and hostile bursts at any speed never leave the camera confused: afterwards it
// still answers a probe and a command at its own speed.
TEST(ACameraUnderRandomBursts, StillAnswersAProbeAndACommandAfterwards) {
    sim::CameraModel camera(threePictures(), 5, 64);
    HostSide host(camera);
    std::uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 16; };
    const DWORD speeds[] = {9600, 19200, 38400, 57600, 115200};
    for (int burst = 0; burst < 20000; ++burst) {
        Bytes bytes(next() % 24);
        for (BYTE& byte : bytes) byte = static_cast<BYTE>(next());
        if (next() % 4 == 0 && !bytes.empty()) bytes[0] = 0x1B;  // many near-packets
        host.send(bytes, next() % 8 == 0 ? speeds[next() % 5] : camera.baud());
    }
    const DWORD baud = camera.baud();
    EXPECT_EQ(host.send({0x00}, baud), (Bytes{0x15}));
    EXPECT_EQ(host.send(getRegisterPacket(10), baud),
              registerAnswer(static_cast<std::uint32_t>(camera.pictures().size())));
}

}  // namespace
}  // namespace pixlor::test
