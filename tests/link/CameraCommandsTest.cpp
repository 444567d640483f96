#include "tests/link/LinkFixtures.h"

#include <functional>

namespace pixlor::test {
namespace {

using Texts = std::vector<std::string>;

const Bytes ACK{WIRE_ACK};
const Bytes NAK{WIRE_NAK};
const Bytes REFUSED{WIRE_REFUSED};
const Bytes COMPLETE{WIRE_COMPLETE};
const Bytes GET_REGISTER_10{0x1B, 0x43, 0x02, 0x00, 0x01, 0x0A, 0x0B, 0x00};
const Bytes SPEED_5{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x05, 0x00, 0x00, 0x00, 0x16, 0x00};
const Bytes SPEED_RESET{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00};
const Bytes DELETE_CURRENT{0x1B, 0x43, 0x03, 0x00, 0x02, 0x07, 0x00, 0x09, 0x00};

// A camera that takes every command: ACK to register writes, a value to register reads, one
// packet to data requests, and ACK with the completion byte after it to actions. The line is
// paced, so that the completion byte arrives after the ACK, as from a real camera.
class AgreeableCamera : public AwakeLink {
protected:
    void SetUp() override {
        AwakeLink::SetUp();
        system().setLinePacing(true);
        camera.respondWith([](const ScriptedPeer::Write& write) {
            PeerReply reply;
            if (write.bytes.size() < 6 || write.bytes[0] != WIRE_ESC) return reply;
            switch (write.bytes[4]) {
            case 0x00: reply.bytes = ACK; break;
            case 0x01: reply.bytes = valuePacket(7); break;
            case 0x02: reply.bytes = ACK + COMPLETE; break;
            case 0x04: reply.bytes = dataPacket(0x03, {1, 2, 3}); break;
            }
            return reply;
        });
    }
    std::vector<Bytes> packetsSent() const {
        std::vector<Bytes> packets;
        for (const Bytes& bytes : writes())
            if (bytes.size() > 1) packets.push_back(bytes);
        return packets;
    }
};

TEST_F(AgreeableCamera, EveryCommandPacketMatchesItsWireExample) {
    struct Example {
        const char* command;
        std::function<bool(CameraLink&)> run;
        Bytes wire;
    };
    std::uint32_t value = 0;
    // clang-format off
    const Example examples[] = {
        {"getRegister(10)", [&](CameraLink& l) { return l.getRegister(10, value); },
         GET_REGISTER_10},
        {"setRegister(4, 130)", [](CameraLink& l) { return l.setRegister(4, 130); },
         {0x1B, 0x43, 0x06, 0x00, 0x00, 0x04, 0x82, 0x00, 0x00, 0x00, 0x86, 0x00}},
        {"requestData(47)", [](CameraLink& l) { return l.requestData(47); },
         {0x1B, 0x43, 0x02, 0x00, 0x04, 0x2F, 0x33, 0x00}},
        {"requestData(14)", [](CameraLink& l) { return l.requestData(14); },
         {0x1B, 0x43, 0x02, 0x00, 0x04, 0x0E, 0x12, 0x00}},
        {"runAction(7, 0)", [](CameraLink& l) { return l.runAction(7, 0, 1000000); },
         DELETE_CURRENT},
        {"switchSpeed(3)", [](CameraLink& l) { return l.switchSpeed(3); },
         {0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x03, 0x00, 0x00, 0x00, 0x14, 0x00}},
        {"resetSpeed", [](CameraLink& l) { return l.resetSpeed(); }, SPEED_RESET},
    };
    // clang-format on
    for (const Example& example : examples) {
        SCOPED_TRACE(example.command);
        const std::size_t before = packetsSent().size();
        EXPECT_TRUE(example.run(link));
        ASSERT_EQ(packetsSent().size(), before + 1);
        EXPECT_EQ(packetsSent().back(), example.wire);
    }
}

TEST_F(AgreeableCamera, RegisterValueChecksumSumsAllFourValueBytes) {
    ASSERT_TRUE(link.setRegister(4, 0x80FF4001));
    // 0x04 + 0x01 + 0x40 + 0xFF + 0x80 = 0x1C4.
    EXPECT_EQ(packetsSent().back(),
              (Bytes{0x1B, 0x43, 0x06, 0x00, 0x00, 0x04, 0x01, 0x40, 0xFF, 0x80, 0xC4, 0x01}));
}

// --- register writes ---

class RegisterWrite : public AwakeLink {};

TEST_F(RegisterWrite, AcceptedOnAck) {
    camera.reply(ACK);
    EXPECT_TRUE(link.setRegister(4, 130));
    EXPECT_EQ(link.errorCode, LINK_OK);
}

TEST_F(RegisterWrite, FailuresLeaveCodeEightAndTheirBit) {
    struct Case {
        Bytes answer;
        std::uint32_t flags;
    };
    for (const Case& c : {Case{REFUSED, STATUS_REFUSED}, Case{{}, STATUS_READ_SHORT},
                          Case{{0x47}, STATUS_UNEXPECTED}}) {
        camera.reply(c.answer);
        EXPECT_FALSE(link.setRegister(4, 1));
        EXPECT_EQ(link.errorCode, LINK_ERR_SET_REGISTER);
        EXPECT_EQ(flags(), c.flags);
    }
    camera.replyTimes(3, NAK);
    EXPECT_FALSE(link.setRegister(4, 1));
    EXPECT_EQ(flags(), STATUS_NAK);
    EXPECT_EQ(writes().size(), 3u + 3u);
}

// --- register reads ---

class RegisterRead : public AwakeLink {
protected:
    std::uint32_t value = 0xDEADBEEF;
};

TEST_F(RegisterRead, ValueIsTheLittleEndianPayloadAndIsAcknowledged) {
    camera.reply(valuePacket(0x12345678));
    ASSERT_TRUE(link.getRegister(10, value));
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(writes(), (std::vector<Bytes>{GET_REGISTER_10, ACK}));
}

TEST_F(RegisterRead, DamagedAnswersAreAskedAgainWithNak) {
    camera.reply(damagedDataPacket(0x03, {1, 0, 0, 0}))
        .reply(damagedDataPacket(0x03, {2, 0, 0, 0}))
        .reply(valuePacket(130));
    ASSERT_TRUE(link.getRegister(10, value));
    EXPECT_EQ(value, 130u);
    EXPECT_EQ(writes(), (std::vector<Bytes>{GET_REGISTER_10, NAK, NAK, ACK}));
}

TEST_F(RegisterRead, EndlesslyDamagedAnswersStopAfterThreeNaks) {
    camera.replyTimes(10, damagedDataPacket(0x03, {1, 0, 0, 0}));
    EXPECT_FALSE(link.getRegister(10, value));
    EXPECT_EQ(link.errorCode, LINK_ERR_GET_REGISTER);
    EXPECT_EQ(flags(), STATUS_CHECKSUM);
    EXPECT_EQ(writes(), (std::vector<Bytes>{GET_REGISTER_10, NAK, NAK, NAK}));
    EXPECT_EQ(value, 0xDEADBEEFu);
}

TEST_F(RegisterRead, LoneAckIsAskedAgainNeverReadAsThePreviousPacket) {
    camera.reply(valuePacket(111));
    ASSERT_TRUE(link.getRegister(10, value));
    camera.reply(ACK).reply(valuePacket(222));
    ASSERT_TRUE(link.getRegister(10, value));
    EXPECT_EQ(value, 222u);
    EXPECT_EQ(writes(), (std::vector<Bytes>{GET_REGISTER_10, ACK, GET_REGISTER_10, NAK, ACK}));
}

TEST_F(RegisterRead, AnswersWithoutAValueFailAsUnexpected) {
    camera.reply(valuePacket(111));
    ASSERT_TRUE(link.getRegister(10, value));
    for (const Bytes& answer : {ACK, dataPacket(0x03, {1, 2}), Bytes{0x47}}) {
        SCOPED_TRACE(answer.size());
        camera.replyTimes(4, answer);
        value = 0xDEADBEEF;
        EXPECT_FALSE(link.getRegister(10, value));
        EXPECT_EQ(link.errorCode, LINK_ERR_GET_REGISTER);
        EXPECT_EQ(flags(), STATUS_UNEXPECTED);
        EXPECT_EQ(value, 0xDEADBEEFu);
        EXPECT_EQ(writes().back(), NAK);
        EXPECT_EQ(camera.repliesLeft(), 0u);
    }
}

TEST_F(RegisterRead, ShortPacketThenValueGivesTheValue) {
    camera.reply(dataPacket(0x02, {9, 9})).reply(dataPacket(0x02, {5, 0, 0, 0, 0xEE}));
    ASSERT_TRUE(link.getRegister(10, value));
    EXPECT_EQ(value, 5u);
}

TEST_F(RegisterRead, RefusalOrSilenceFailsWithoutAnAnswerToTheCamera) {
    for (const Bytes& answer : {REFUSED, Bytes{}}) {
        camera.reply(answer);
        EXPECT_FALSE(link.getRegister(10, value));
        EXPECT_EQ(link.errorCode, LINK_ERR_GET_REGISTER);
        EXPECT_EQ(writes().back(), GET_REGISTER_10);
    }
}

// --- data transfers ---

class DataTransfer : public AwakeLink {};

TEST_F(DataTransfer, FirstPacketIsLeftInTheBufferUnanswered) {
    const Bytes first = dataPacket(0x02, {0xFF, 0xD8, 0xFF});
    camera.reply(first);
    ASSERT_TRUE(link.requestData(14));
    EXPECT_EQ(Bytes(link.receiveBuffer.get(), link.receiveBuffer.get() + first.size()), first);
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(DataTransfer, DamagedFirstPacketFailsWithCodeTen) {
    camera.reply(damagedDataPacket(0x02, {1}));
    EXPECT_FALSE(link.requestData(14));
    EXPECT_EQ(link.errorCode, LINK_ERR_GET_DATA);
    EXPECT_EQ(flags(), STATUS_CHECKSUM);
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(DataTransfer, AckFetchesTheNextPacketAndNakTheSameAgain) {
    const Bytes second = dataPacket(0x03, {4, 5});
    camera.reply(dataPacket(0x02, {1})).reply(damagedDataPacket(0x03, {4, 5})).reply(second);
    ASSERT_TRUE(link.requestData(15));
    EXPECT_FALSE(link.answerAndReceive(false));
    EXPECT_EQ(link.errorCode, LINK_ERR_NEXT_PACKET);
    ASSERT_TRUE(link.answerAndReceive(true));
    EXPECT_EQ(link.errorCode, LINK_OK);
    EXPECT_EQ(Bytes(link.receiveBuffer.get(), link.receiveBuffer.get() + second.size()), second);
    EXPECT_EQ(writes().back(), NAK);
    EXPECT_EQ(writes()[1], ACK);
}

// --- actions ---

class Action : public AwakeLink {
protected:
    void SetUp() override {
        AwakeLink::SetUp();
        // The completion byte must arrive after the ACK has been read.
        system().setLinePacing(true);
    }
};

TEST_F(Action, CompletionAtTheDefaultWaitSetsTimeOutsOnce) {
    camera.reply(ACK + COMPLETE);
    ASSERT_TRUE(link.runAction(7, 0, 1000000));
    EXPECT_EQ(link.errorCode, LINK_OK);
    EXPECT_EQ(flags(), 0u);
    EXPECT_EQ(system().log(SysCall::SetCommTimeouts),
              Texts{"SetCommTimeouts(4294967295, 4294967295, 1001, 0, 0)"});
}

TEST_F(Action, LongerWaitIsInForceForTheCompletionOnly) {
    camera.reply(ACK + COMPLETE);
    ASSERT_TRUE(link.runAction(0, 0, 5000000));
    EXPECT_EQ(system().log(SysCall::SetCommTimeouts),
              (Texts{"SetCommTimeouts(4294967295, 4294967295, 5001, 0, 0)",
                     "SetCommTimeouts(4294967295, 4294967295, 1001, 0, 0)"}));
    EXPECT_EQ(link.port->readPerByteMicros, 1000000u);
    EXPECT_EQ(system().portTimeouts(1).ReadTotalTimeoutConstant, 1001u);
}

TEST_F(Action, MissingCompletionTimesOutAfterTheWait) {
    system().setLinePacing(false);
    camera.reply(ACK);
    const std::uint64_t start = system().nowMicros();
    EXPECT_FALSE(link.runAction(7, 0, 3000000));
    EXPECT_EQ(system().nowMicros() - start, 3001000u);
    EXPECT_EQ(link.errorCode, LINK_ERR_ACTION);
    EXPECT_EQ(flags(), STATUS_READ_SHORT);
    EXPECT_EQ(system().portTimeouts(1).ReadTotalTimeoutConstant, 1001u);
}

TEST_F(Action, AnswersOtherThanAckFailWithoutWaiting) {
    struct Case {
        Bytes answer;
        std::uint32_t flags;
    };
    for (const Case& c : {Case{REFUSED, STATUS_REFUSED}, Case{dataPacket(0x03, {0}), 0u},
                          Case{COMPLETE, STATUS_UNEXPECTED}}) {
        camera.reply(c.answer);
        EXPECT_FALSE(link.runAction(7, 0, 5000000));
        EXPECT_EQ(link.errorCode, LINK_ERR_ACTION);
        EXPECT_EQ(flags(), c.flags);
    }
    EXPECT_EQ(system().calls(SysCall::SetCommTimeouts), 0);
}

TEST_F(Action, CompletionOtherThanTheCompletionByteFails) {
    struct Case {
        Bytes completion;
        std::uint32_t flags;
    };
    // A known answer in the completion's place leaves no bit of its own; the action fails all
    // the same.
    for (const Case& c : {Case{ACK, 0u}, Case{{0x47}, STATUS_UNEXPECTED},
                          Case{dataPacket(0x03, {0}), 0u}, Case{REFUSED, STATUS_REFUSED}}) {
        SCOPED_TRACE(static_cast<int>(c.completion[0]));
        camera.reply(ACK + c.completion);
        EXPECT_FALSE(link.runAction(7, 0, 1000000));
        EXPECT_EQ(link.errorCode, LINK_ERR_ACTION);
        EXPECT_EQ(flags(), c.flags);
    }
}

TEST_F(Action, FailedWaitSetUpKeepsTheOldTimeOutsAndReadsNoCompletion) {
    camera.reply(ACK + COMPLETE);
    system().failCall(SysCall::SetCommTimeouts);
    EXPECT_FALSE(link.runAction(7, 0, 5000000));
    EXPECT_EQ(link.errorCode, LINK_ERR_ACTION);
    EXPECT_EQ(flags(), STATUS_TIMEOUTS);
    EXPECT_EQ(link.port->readPerByteMicros, 1000000u);
    EXPECT_EQ(system().calls(SysCall::ReadFile), 1);
}

TEST_F(Action, FailedTimeOutRestoreFailsACompletedAction) {
    camera.reply(ACK + COMPLETE);
    system().failCall(SysCall::SetCommTimeouts, 2);
    EXPECT_FALSE(link.runAction(7, 0, 5000000));
    EXPECT_EQ(link.errorCode, LINK_ERR_ACTION);
    EXPECT_EQ(flags(), STATUS_TIMEOUTS);
    EXPECT_EQ(link.port->readPerByteMicros, 1000000u);
}

// --- line speed ---

class Speed : public AwakeLink {};

TEST_F(Speed, SwitchSendsTheIndexAsASpeedPacketThenMovesThePort) {
    camera.reply(ACK).reply(ACK);
    ASSERT_TRUE(link.switchSpeed(5));
    EXPECT_EQ(writes(), std::vector<Bytes>{SPEED_5});
    EXPECT_EQ(camera.writes().back().baud, 19200u);
    EXPECT_EQ(system().portBaud(1), 115200u);
    // The next command is an ordinary one, at the new speed.
    ASSERT_TRUE(link.setRegister(4, 1));
    EXPECT_EQ(writes().back()[1], WIRE_COMMAND);
    EXPECT_EQ(camera.writes().back().baud, 115200u);
}

TEST_F(Speed, IndexZeroLeavesThePortUntouched) {
    camera.reply(ACK);
    ASSERT_TRUE(link.switchSpeed(0));
    EXPECT_EQ(writes(), std::vector<Bytes>{SPEED_RESET});
    EXPECT_EQ(system().calls(SysCall::GetCommState), 0);
    EXPECT_EQ(system().calls(SysCall::SetCommState), 0);
}

TEST_F(Speed, IndexOutsideTheTableMeansTheFastestForCameraAndPort) {
    for (std::uint32_t index : {6u, 0xFFFFFFFFu}) {
        camera.reply(ACK).reply(ACK);
        ASSERT_TRUE(link.switchSpeed(index));
        EXPECT_EQ(writes().back(), SPEED_5);
        EXPECT_EQ(system().portBaud(1), 115200u);
        ASSERT_TRUE(link.resetSpeed());
    }
}

TEST_F(Speed, ThreeNaksToTheSpeedPacketKeepThePortAndGiveCodeFive) {
    camera.replyTimes(3, NAK).reply(ACK);
    EXPECT_FALSE(link.switchSpeed(5));
    EXPECT_EQ(writes(), std::vector<Bytes>(3, SPEED_5));
    EXPECT_EQ(link.errorCode, LINK_ERR_SPEED_SET);
    EXPECT_EQ(flags(), STATUS_NAK);
    EXPECT_EQ(system().portBaud(1), 19200u);
    // The failed exchange still ends the speed packets.
    ASSERT_TRUE(link.setRegister(4, 1));
    EXPECT_EQ(writes().back()[1], WIRE_COMMAND);
}

TEST_F(Speed, PortThatWillNotChangeGivesCodeTwo) {
    camera.reply(ACK);
    system().failCall(SysCall::SetCommState);
    EXPECT_FALSE(link.switchSpeed(3));
    EXPECT_EQ(link.errorCode, LINK_ERR_PORT_SETUP);
    EXPECT_EQ(flags(), STATUS_PORT_SETUP);
    EXPECT_TRUE(system().portIsOpen(1));
}

TEST_F(Speed, ResetReturnsCameraAndPortTo19200) {
    camera.reply(ACK).reply(ACK);
    ASSERT_TRUE(link.switchSpeed(4));
    ASSERT_TRUE(link.resetSpeed());
    EXPECT_EQ(writes().back(), SPEED_RESET);
    EXPECT_EQ(camera.writes().back().baud, 57600u);
    EXPECT_EQ(system().portBaud(1), 19200u);
}

TEST_F(Speed, RefusedResetGivesCodeSixAndAPortFailureCodeTwo) {
    camera.reply(ACK).reply(REFUSED);
    ASSERT_TRUE(link.switchSpeed(4));
    EXPECT_FALSE(link.resetSpeed());
    EXPECT_EQ(link.errorCode, LINK_ERR_SPEED_RESET);
    EXPECT_EQ(flags(), STATUS_REFUSED);
    EXPECT_EQ(system().portBaud(1), 57600u);

    camera.reply(ACK);
    system().failCall(SysCall::GetCommState);
    EXPECT_FALSE(link.resetSpeed());
    EXPECT_EQ(link.errorCode, LINK_ERR_PORT_SETUP);
}

TEST(SpeedTable, SixEntriesAndTheLastForAnythingBeyond) {
    const std::uint32_t expected[] = {19200, 9600, 19200, 38400, 57600, 115200, 115200, 115200};
    for (std::uint32_t index = 0; index < 8; ++index)
        EXPECT_EQ(SpeedTableBaud(index), expected[index]) << index;
    EXPECT_EQ(SpeedTableBaud(0xFFFFFFFFu), 115200u);
}

}  // namespace
}  // namespace pixlor::test
