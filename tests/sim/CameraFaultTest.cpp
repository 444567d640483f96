// Scripted misbehaviour of the simulated camera, as the host sees it on the wire.
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace pixlor::test {
namespace {

using sim::CameraModel;
using sim::CommandMatch;
using sim::Fault;
using sim::FaultKind;
using sim::PictureKind;

class ACameraWithFaults : public ::testing::Test {
protected:
    void script(FaultKind kind, CommandMatch on, int times = 1, int packet = -1, int value = 0) {
        camera.addFault(Fault{kind, on, times, packet, value});
    }
    CameraModel camera{threePictures(), 3, 1000};
    HostSide host{camera};
};

TEST_F(ACameraWithFaults, AnswersNakToTheNextMatchingCommandsThenCarriesOut) {
    script(FaultKind::Nak, CommandMatch::setRegister(4), 2);
    EXPECT_EQ(host.send(getRegisterPacket(10)), registerAnswer(3));  // other commands unaffected
    host.ack();
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x15}));
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x15}));
    EXPECT_EQ(camera.currentPicture(), 1u);
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x06}));
    EXPECT_EQ(camera.currentPicture(), 2u);
    EXPECT_EQ(camera.faultsLeft(), 0u);
}

TEST_F(ACameraWithFaults, RefusesTheDeleteLastActionForeverButDeletesTheSelectedPicture) {
    script(FaultKind::Refuse, CommandMatch::action(0), sim::FAULT_FOREVER);
    EXPECT_EQ(host.send(actionPacket(0)), (Bytes{0x11}));
    EXPECT_EQ(host.send(actionPacket(0)), (Bytes{0x11}));
    EXPECT_EQ(camera.pictures().size(), 3u);
    host.send(setRegisterPacket(4, 3));
    EXPECT_EQ(host.send(actionPacket(7)), (Bytes{0x06, 0x05}));
    EXPECT_EQ(camera.pictures().size(), 2u);
    EXPECT_EQ(camera.faultsLeft(), 1u);
}

TEST_F(ACameraWithFaults, AnswersAnUnexpectedByteInsteadOfTheAnswer) {
    script(FaultKind::Unexpected, CommandMatch::any(), 1, -1, 0x42);
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x42}));
    EXPECT_EQ(camera.currentPicture(), 1u);
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x06}));
}

TEST_F(ACameraWithFaults, SendsAnUnexpectedByteInsteadOfADataPacketUntilAskedAgain) {
    script(FaultKind::Unexpected, CommandMatch::requestData(14), 1, 1, 0x07);
    host.send(requestDataPacket(14));
    EXPECT_EQ(host.ack(), (Bytes{0x07}));
    Bytes again = host.nak();
    const ReceivedPacket packet = takePacket(again);
    EXPECT_TRUE(packet.checksumOk);
    const Bytes photo = camera.expectedData(camera.pictures()[0].id, PictureKind::Photo);
    EXPECT_EQ(packet.payload, Bytes(photo.begin() + 1000, photo.begin() + 2000));
}

TEST_F(ACameraWithFaults, DamagesADataPacketTheScriptedNumberOfTimes) {
    script(FaultKind::Damage, CommandMatch::requestData(14), 2, 2);
    host.send(requestDataPacket(14));
    host.ack();
    Bytes third = host.ack();
    EXPECT_FALSE(takePacket(third).checksumOk);
    third = host.nak();
    EXPECT_FALSE(takePacket(third).checksumOk);
    third = host.nak();
    const ReceivedPacket intact = takePacket(third);
    EXPECT_TRUE(intact.checksumOk);
    const Bytes photo = camera.expectedData(camera.pictures()[0].id, PictureKind::Photo);
    EXPECT_EQ(intact.payload, Bytes(photo.begin() + 2000, photo.begin() + 3000));
}

TEST_F(ACameraWithFaults, DamagesTheRegisterAnswerPacket) {
    script(FaultKind::Damage, CommandMatch::getRegister(10), 1, 0);
    Bytes answer = host.send(getRegisterPacket(10));
    EXPECT_FALSE(takePacket(answer).checksumOk);
    EXPECT_EQ(host.nak(), registerAnswer(3));
}

TEST_F(ACameraWithFaults, AnnouncesAnOverlongLengthButSendsTheUsualPacket) {
    script(FaultKind::OverlongLength, CommandMatch::requestData(47), 1, 0, 0xFFFF);
    const Bytes answer = host.send(requestDataPacket(47));
    ASSERT_EQ(answer.size(), 6u + sim::PICTURE_INFO_SIZE);
    EXPECT_EQ(answer[2], 0xFF);
    EXPECT_EQ(answer[3], 0xFF);
    Bytes again = host.nak();
    const ReceivedPacket intact = takePacket(again);
    EXPECT_TRUE(intact.checksumOk);
    EXPECT_EQ(intact.announcedLength, sim::PICTURE_INFO_SIZE);
}

TEST_F(ACameraWithFaults, StaysSilentToTheScriptedCommandOnly) {
    script(FaultKind::Silence, CommandMatch::getRegister(10));
    EXPECT_TRUE(host.send(getRegisterPacket(10)).empty());
    EXPECT_EQ(host.send(getRegisterPacket(10)), registerAnswer(3));
}

TEST_F(ACameraWithFaults, FallsSilentForeverFromAGivenCommandOn) {
    script(FaultKind::Silence, CommandMatch::any(), sim::FAULT_FOREVER);
    EXPECT_TRUE(host.send(setRegisterPacket(4, 2)).empty());
    EXPECT_TRUE(host.send(getRegisterPacket(10)).empty());
    EXPECT_EQ(camera.counters().commands, 2);
}

TEST_F(ACameraWithFaults, FallsSilentAfterADataPacketUntilTheNextCommand) {
    script(FaultKind::Silence, CommandMatch::requestData(14), 1, 1);
    host.send(requestDataPacket(14));
    EXPECT_FALSE(host.ack().empty());  // packet 1 goes out
    EXPECT_TRUE(host.ack().empty());
    EXPECT_TRUE(host.nak().empty());
    EXPECT_EQ(host.send(setRegisterPacket(4, 2)), (Bytes{0x06}));
}

TEST_F(ACameraWithFaults, SendsAWrongCompletionByteAfterDeleting) {
    script(FaultKind::Completion, CommandMatch::action(0), 1, -1, 0x07);
    EXPECT_EQ(host.send(actionPacket(0)), (Bytes{0x06, 0x07}));
    EXPECT_EQ(camera.pictures().size(), 2u);  // the deletion itself happened
    EXPECT_EQ(host.send(actionPacket(0)), (Bytes{0x06, 0x05}));
}

TEST_F(ACameraWithFaults, SendsNoCompletionByteWhenScriptedSo) {
    script(FaultKind::Completion, CommandMatch::action(7), 1, -1, -1);
    EXPECT_EQ(host.send(actionPacket(7)), (Bytes{0x06}));
}

TEST_F(ACameraWithFaults, LosesTheCommandAndItsSpeedWhenThePowerCycles) {
    EXPECT_EQ(host.send(setRegisterPacket(17, 5, 0x53)), (Bytes{0x06}));
    host.send(setRegisterPacket(4, 3), 115200);
    script(FaultKind::PowerCycle, CommandMatch::requestData(14));
    EXPECT_TRUE(host.send(requestDataPacket(14), 115200).empty());
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_EQ(camera.currentPicture(), 1u);
    EXPECT_TRUE(host.send({0x00}, 115200).empty());
    EXPECT_EQ(host.send({0x00}, 19200), (Bytes{0x15}));
    EXPECT_EQ(camera.counters().powerCycles, 1);
}

}  // namespace
}  // namespace pixlor::test
