#include "tests/link/LinkFixtures.h"

#include <algorithm>
#include <cstdio>

namespace pixlor::test {
namespace {

using Texts = std::vector<std::string>;

const Bytes PROBE{WIRE_PROBE};
const Bytes ACK{WIRE_ACK};
const Bytes NAK{WIRE_NAK};
const Bytes GET_REGISTER_10{0x1B, 0x43, 0x02, 0x00, 0x01, 0x0A, 0x0B, 0x00};

// --- construction and wake-up ---

class NewLink : public CameraOnCom1 {
protected:
    CameraLink link{0};
};

TEST_F(NewLink, ConstructionTouchesNothing) {
    EXPECT_TRUE(system().records().empty());
    EXPECT_EQ(link.portOpened, 0);
    EXPECT_EQ(link.purgePending, 1);
}

TEST_F(NewLink, FirstWakeUpPausesOpensPurgesAndProbes) {
    camera.reply(NAK);
    ASSERT_TRUE(link.wakeUp());
    EXPECT_EQ(
        callTexts(),
        (Texts{"Sleep(500)", "CreateFileA(\\\\.\\COM1, 0xC0000000, 0, 3, 0x0)", "PurgeComm(0xF)",
               "GetCommState(port)", "SetCommState(19200, 8, 0, 0, abort 1, length 28)",
               "SetCommTimeouts(4294967295, 4294967295, 1001, 0, 0)", "Sleep(100)",
               "PurgeComm(0xC)", "SetCommTimeouts(4294967295, 4294967295, 200, 0, 0)", "Sleep(100)",
               "PurgeComm(0x8)", "WriteFile(port, 00)", "PurgeComm(0x4)", "ReadFile(port, 1)",
               "SetCommTimeouts(4294967295, 4294967295, 1001, 0, 0)"}));
    EXPECT_EQ(link.errorCode, LINK_OK);
    EXPECT_EQ(link.port->statusFlags, 0u);
}

TEST_F(NewLink, LaterWakeUpOnlyBringsThePortBackTo19200AndProbes) {
    camera.reply(NAK).reply(ACK);
    ASSERT_TRUE(link.wakeUp());
    ASSERT_TRUE(link.switchSpeed(5));
    system().clearRecords();
    camera.reply(NAK);
    ASSERT_TRUE(link.wakeUp());
    EXPECT_EQ(callTexts(),
              (Texts{"GetCommState(port)", "SetCommState(19200, 8, 0, 0, abort 1, length 28)",
                     "SetCommTimeouts(4294967295, 4294967295, 200, 0, 0)", "Sleep(100)",
                     "PurgeComm(0x8)", "WriteFile(port, 00)", "PurgeComm(0x4)", "ReadFile(port, 1)",
                     "SetCommTimeouts(4294967295, 4294967295, 1001, 0, 0)"}));
    EXPECT_EQ(system().portBaud(1), 19200u);
}

TEST_F(NewLink, SilentCameraGetsThreeProbesThenOneAtEveryOtherSpeedThenNoWake) {
    const std::uint64_t start = system().nowMicros();
    EXPECT_FALSE(link.wakeUp(3));
    EXPECT_EQ(link.errorCode, LINK_ERR_NO_WAKE);
    std::vector<DWORD> probes;
    for (const ScriptedPeer::Write& write : camera.writes())
        if (write.bytes == PROBE) probes.push_back(write.baud);
    // The configured speed first, then the others from the fastest; nothing else is sent.
    EXPECT_EQ(probes, (std::vector<DWORD>{19200, 19200, 19200, 38400, 115200, 57600, 9600}));
    EXPECT_EQ(camera.writes().size(), probes.size());
    EXPECT_EQ(system().log(SysCall::Sleep),
              (Texts{"Sleep(500)", "Sleep(100)", "Sleep(100)", "Sleep(100)", "Sleep(100)",
                     "Sleep(100)", "Sleep(100)", "Sleep(100)", "Sleep(100)"}));
    const std::uint64_t waited = system().nowMicros() - start;
    // Each probe waits a fifth of a second for its answer.
    EXPECT_EQ(waited, 500000u + 100000u + 7 * (100000u + 200000u));
    std::printf("no camera reported after %.3f s\n", static_cast<double>(waited) / 1e6);
    // The port stays open for the next wake-up.
    EXPECT_TRUE(system().portIsOpen(1));
}

TEST_F(NewLink, CameraThatAnswersOnlyTheSpeedResetFailsAfterTheUsualProbes) {
    // NAK at 115200 Bd, but the camera is not heard at 19200 Bd afterwards.
    camera.respondWith([](const ScriptedPeer::Write& write) {
        PeerReply reply;
        if (write.baud == 115200) reply.bytes = write.bytes == PROBE ? NAK : ACK;
        return reply;
    });
    EXPECT_FALSE(link.wakeUp(5));
    EXPECT_EQ(link.errorCode, LINK_ERR_NO_WAKE);
    EXPECT_EQ(camera.writesOf(PROBE), 3 + 1 + 3);
    EXPECT_EQ(
        camera.writesOf({0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00}),
        1);
    EXPECT_EQ(system().portBaud(1), 19200u);
}

TEST_F(NewLink, AnswerOtherThanNakIsPurgedAndProbedAgain) {
    camera.reply({0x00, 0x15}).reply({0xFF}).reply(NAK);
    ASSERT_TRUE(link.wakeUp());
    EXPECT_EQ(camera.writesOf(PROBE), 3);
    // A purge after each of the two failed tries, besides the first wake-up's own.
    const Texts purges = system().log(SysCall::PurgeComm);
    EXPECT_EQ(std::count(purges.begin(), purges.end(), "PurgeComm(0xC)"), 3);
}

TEST_F(NewLink, WakeUpOnTheLastTryLeavesTheTimedOutTriesBit) {
    camera.silence().silence().reply(NAK);
    ASSERT_TRUE(link.wakeUp());
    EXPECT_EQ(link.port->statusFlags, STATUS_READ_SHORT);
    camera.reply(ACK);
    link.sendByte(0);
    EXPECT_TRUE(link.receive());
    EXPECT_EQ(link.port->statusFlags, 0u);
}

TEST_F(NewLink, PortThatWillNotOpenFailsAndTheNextWakeUpTriesAfresh) {
    system().failCall(SysCall::CreateFileA);
    EXPECT_FALSE(link.wakeUp());
    EXPECT_EQ(link.errorCode, LINK_ERR_OPEN);
    EXPECT_EQ(link.port->statusFlags, STATUS_PORT_SETUP);
    EXPECT_EQ(link.portOpened, 0);
    camera.reply(NAK);
    ASSERT_TRUE(link.wakeUp());
    EXPECT_EQ(system().log(SysCall::Sleep),
              (Texts{"Sleep(500)", "Sleep(500)", "Sleep(100)", "Sleep(100)"}));
}

TEST_F(NewLink, FailedFirstPurgeIsRepeatedByTheNextWakeUp) {
    // The open's own purge is the first; the wake-up's purge is the second.
    system().failCall(SysCall::PurgeComm, 2);
    EXPECT_FALSE(link.wakeUp());
    EXPECT_EQ(link.errorCode, LINK_ERR_PURGE);
    EXPECT_EQ(link.purgePending, 1);
    system().clearRecords();
    camera.reply(NAK);
    ASSERT_TRUE(link.wakeUp());
    EXPECT_EQ(system().log(SysCall::PurgeComm)[0], "PurgeComm(0xC)");
    EXPECT_EQ(link.purgePending, 0);
}

TEST_F(NewLink, FailedPurgeBetweenTriesEndsTheWakeUp) {
    // Open, first wake-up purge, the probe's write, the probe's read; then the purge after it.
    system().failCall(SysCall::PurgeComm, 5);
    EXPECT_FALSE(link.wakeUp());
    EXPECT_EQ(link.errorCode, LINK_ERR_PURGE);
    EXPECT_EQ(camera.writesOf(PROBE), 1);
}

// A handle the system no longer lets set the line (a line that hung up, an adapter unplugged
// and plugged in again) is closed, and the wake-up goes on as the first one, on a new handle.
TEST_F(NewLink, LaterWakeUpThatCannotSetTheLineOpensThePortAnew) {
    camera.reply(NAK).reply(ACK);
    ASSERT_TRUE(link.wakeUp());
    ASSERT_TRUE(link.switchSpeed(4));
    system().failCall(SysCall::SetCommState);
    system().clearRecords();
    camera.reply(NAK);
    EXPECT_TRUE(link.wakeUp());
    EXPECT_EQ(system().log(SysCall::CloseHandle).size(), 1u);
    EXPECT_EQ(system().log(SysCall::CreateFileA).size(), 1u);
    EXPECT_EQ(system().log(SysCall::Sleep).front(), "Sleep(500)");
    EXPECT_EQ(link.port->lineLost, 0);
}

TEST_F(NewLink, WakeUpOnAPortThatCannotBeSetEvenAnewFails) {
    camera.reply(NAK).reply(ACK);
    ASSERT_TRUE(link.wakeUp());
    ASSERT_TRUE(link.switchSpeed(4));
    system().failCall(SysCall::SetCommState, 1, 2);
    EXPECT_FALSE(link.wakeUp());
    EXPECT_EQ(link.errorCode, LINK_ERR_OPEN);
    EXPECT_NE(link.port->statusFlags & STATUS_PORT_SETUP, 0u);
}

TEST_F(NewLink, DestroyingTheLinkClosesThePort) {
    {
        CameraLink other(0);
        camera.reply(NAK);
        ASSERT_TRUE(other.wakeUp());
        EXPECT_TRUE(system().portIsOpen(1));
    }
    EXPECT_FALSE(system().portIsOpen(1));
}

// --- command packets ---

TEST_F(AwakeLink, PacketGoesOutInOneWriteWithTypeAndChecksum) {
    CommandPacket packet({0xC8});
    link.sendPacket(packet.bytes());
    EXPECT_EQ(writes(), std::vector<Bytes>{(Bytes{0x1B, 0x43, 0x01, 0x00, 0xC8, 0xC8, 0x00})});
    EXPECT_EQ(system().calls(SysCall::WriteFile), 1);
}

TEST_F(AwakeLink, SpeedCommandPacketsCarryTypeS) {
    CommandPacket packet({0x01, 0x0A});
    link.speedCommand = 1;
    link.sendPacket(packet.bytes());
    EXPECT_EQ(writes()[0][1], 0x53);
}

TEST_F(AwakeLink, ChecksumIsTheUnsignedByteSumModulo65536) {
    BYTE payload[300];
    std::fill(payload, payload + sizeof payload, BYTE{0xFF});
    CommandPacket packet(payload);
    link.sendPacket(packet.bytes());
    // 300 x 0xFF = 76500 = 0x12AD4.
    const Bytes sent = writes()[0];
    ASSERT_EQ(sent.size(), 306u);
    EXPECT_EQ(sent[304], 0xD4);
    EXPECT_EQ(sent[305], 0x2A);
}

// --- answers ---

// The host's byte 0x00 gives the camera its turn; receive then reads its answer.
class Answer : public AwakeLink {
protected:
    bool answer(const Bytes& bytes) {
        camera.reply(bytes);
        link.sendByte(0);
        system().clearRecords();
        return link.receive();
    }
    const BYTE* buffer() const { return link.receiveBuffer.get(); }
};

TEST_F(Answer, SingleBytesSetTheirBits) {
    struct Case {
        BYTE byte;
        std::uint32_t flags;
    };
    for (Case c : {Case{0x06, 0}, Case{0x11, STATUS_REFUSED}, Case{0x15, STATUS_NAK},
                   Case{0x05, STATUS_UNEXPECTED}, Case{0x00, STATUS_UNEXPECTED},
                   Case{0x1B, STATUS_UNEXPECTED}, Case{0xFF, STATUS_UNEXPECTED}}) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        EXPECT_EQ(answer({c.byte, 0x03, 0x00, 0x00}), c.flags == 0);
        EXPECT_EQ(flags(), c.flags);
        // One byte read, then the rest is thrown away.
        EXPECT_EQ(callTexts(), (Texts{"PurgeComm(0x4)", "ReadFile(port, 1)", "PurgeComm(0xC)"}));
    }
}

TEST_F(Answer, ReceiveClearsTheBitsOfEarlierOperations) {
    link.port->statusFlags = STATUS_WRITE | STATUS_TIMEOUTS;
    EXPECT_TRUE(answer(ACK));
    EXPECT_EQ(flags(), 0u);
}

TEST_F(Answer, LoneAckChangesOnlyTheFirstByteOfTheBuffer) {
    ASSERT_TRUE(answer(dataPacket(0x02, {1, 2, 3, 4, 5})));
    ASSERT_TRUE(answer(ACK));
    EXPECT_EQ(Bytes(buffer(), buffer() + 11), (Bytes{0x06, 0, 5, 0, 1, 2, 3, 4, 5, 15, 0}));
}

TEST_F(Answer, DataPacketIsReadHeaderPayloadChecksumThenPurged) {
    const Bytes packet = dataPacket(0x03, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, 0x7E);
    ASSERT_TRUE(answer(packet));
    EXPECT_EQ(system().log(SysCall::ReadFile), (Texts{"ReadFile(port, 1)", "ReadFile(port, 3)",
                                                      "ReadFile(port, 6)", "ReadFile(port, 2)"}));
    EXPECT_EQ(system().log(SysCall::PurgeComm).back(), "PurgeComm(0xC)");
    EXPECT_EQ(system().calls(SysCall::PurgeComm), 5);
    EXPECT_EQ(Bytes(buffer(), buffer() + packet.size()), packet);
}

TEST_F(Answer, EmptyDataPacketHasChecksumZero) {
    EXPECT_TRUE(answer({0x03, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(flags(), 0u);
}

TEST_F(Answer, HighPayloadBytesCountUnsignedInTheChecksum) {
    // 0x80 + 0xFF = 0x17F; a signed sum would give 0x7F.
    EXPECT_TRUE(answer({0x02, 0x00, 0x02, 0x00, 0x80, 0xFF, 0x7F, 0x01}));
    EXPECT_FALSE(answer({0x02, 0x00, 0x02, 0x00, 0x80, 0xFF, 0x7F, 0x00}));
    EXPECT_EQ(flags(), STATUS_CHECKSUM);
}

TEST_F(Answer, WrongChecksumIsReportedAndThePacketKept) {
    const Bytes packet = damagedDataPacket(0x02, {9, 8, 7});
    EXPECT_FALSE(answer(packet));
    EXPECT_EQ(flags(), STATUS_CHECKSUM);
    EXPECT_EQ(Bytes(buffer(), buffer() + packet.size()), packet);
}

TEST_F(Answer, BytesBeyondTheAnswerAreDiscarded) {
    ASSERT_TRUE(answer(ACK + valuePacket(5)));
    EXPECT_FALSE(link.receive());
    EXPECT_EQ(flags(), STATUS_READ_SHORT);
}

TEST_F(Answer, LargestPacketTheBufferHoldsIsTaken) {
    const Bytes payload(RECEIVE_BUFFER_SIZE - 6, 0xA5);
    const Bytes packet = dataPacket(0x02, payload);
    ASSERT_TRUE(answer(packet));
    EXPECT_EQ(Bytes(buffer(), buffer() + RECEIVE_BUFFER_SIZE), packet);
}

// A camera that really sends more than the buffer holds is given up after a buffer's worth
// of bytes, read in large pieces: asking again would bring the same packet.
TEST_F(Answer, PacketLongerThanTheBufferIsGivenUpAfterABuffersWorth) {
    for (std::uint32_t length : {RECEIVE_BUFFER_SIZE - 5, 0xFFFFu}) {
        SCOPED_TRACE(length);
        const std::uint64_t start = system().nowMicros();
        EXPECT_FALSE(answer(dataPacket(0x02, Bytes(length, 0x5A))));
        EXPECT_EQ(flags(), STATUS_UNEXPECTED);
        EXPECT_EQ(link.answerOverlong, 1);
        const Texts reads = system().log(SysCall::ReadFile);
        EXPECT_LT(reads.size(), 20u);
        EXPECT_EQ(Texts(reads.begin(), reads.begin() + 3),
                  (Texts{"ReadFile(port, 1)", "ReadFile(port, 3)", "ReadFile(port, 4096)"}));
        // 32 KiB at 19200 Bd take 17 s; at 115200 Bd under 3 s.
        EXPECT_LT(system().nowMicros() - start, 18000000u);
        link.letLineGoQuiet();
    }
}

// A header damaged on the line announces too long a packet for a short one: its rest passes
// until the line is quiet, and the next answer is read clean.
TEST_F(Answer, DamagedLengthIsRefusedAndItsRestLetPass) {
    Bytes packet = dataPacket(0x02, Bytes(100, 0x5A));
    packet[2] = 0xFF;
    packet[3] = 0xFF;
    EXPECT_FALSE(answer(packet));
    EXPECT_EQ(flags(), STATUS_UNEXPECTED);
    EXPECT_EQ(link.answerOverlong, 0);
    EXPECT_EQ(link.port->readEndedBySilence, 1);
    EXPECT_TRUE(answer(ACK));
}

TEST_F(Answer, SilenceFailsAfterTheFirstByteTimeOut) {
    const std::uint64_t start = system().nowMicros();
    EXPECT_FALSE(answer({}));
    EXPECT_EQ(flags(), STATUS_READ_SHORT);
    EXPECT_EQ(system().nowMicros() - start, 1001000u);
}

TEST_F(Answer, EachPartOfADataPacketHasItsOwnTimeOut) {
    struct Case {
        Bytes bytes;
        std::uint64_t waited;
    };
    // Each ends one silent second after the last byte that came, whatever is still missing.
    for (const Case& c : {Case{{0x02, 0x00}, 1001000u},                       // header cut short
                          Case{{0x02, 0x00, 0x05, 0x00}, 1001000u},           // no payload
                          Case{{0x02, 0x00, 0x01, 0x00, 0x33}, 1001000u}}) {  // no checksum
        const std::uint64_t start = system().nowMicros();
        EXPECT_FALSE(answer(c.bytes));
        EXPECT_EQ(flags(), STATUS_READ_SHORT);
        EXPECT_EQ(system().nowMicros() - start, c.waited);
    }
}

// --- the command exchange, through a register read ---

class Exchange : public AwakeLink {
protected:
    std::uint32_t value = 0;
};

TEST_F(Exchange, ThreeNaksGiveThreeIdenticalSendsAndLeaveNak) {
    camera.replyTimes(5, NAK);
    EXPECT_FALSE(link.getRegister(10, value));
    EXPECT_EQ(writes(), std::vector<Bytes>(3, GET_REGISTER_10));
    EXPECT_EQ(flags(), STATUS_NAK);
}

TEST_F(Exchange, NakThenIntactAnswerSucceedsOnTheResend) {
    camera.reply(NAK).reply(NAK).reply(valuePacket(42));
    EXPECT_TRUE(link.getRegister(10, value));
    EXPECT_EQ(value, 42u);
    EXPECT_EQ(camera.writesOf(GET_REGISTER_10), 3);
}

TEST_F(Exchange, OtherFailuresAreNeverResent) {
    for (const Bytes& answer : {Bytes{WIRE_REFUSED}, Bytes{}}) {
        SCOPED_TRACE(answer.size());
        const std::size_t before = writes().size();
        camera.reply(answer);
        EXPECT_FALSE(link.getRegister(10, value));
        EXPECT_EQ(writes().size() - before, 1u);
    }
}

TEST_F(Exchange, SilentCameraCostsOneTimeOut) {
    const std::uint64_t start = system().nowMicros();
    EXPECT_FALSE(link.requestData(14));
    EXPECT_EQ(system().nowMicros() - start, 1001000u);
    EXPECT_EQ(writes().size(), 1u);
}

}  // namespace
}  // namespace pixlor::test
