#include "link/SerialPort.h"
#include "tests/link/LinkFixtures.h"

namespace pixlor::test {
namespace {

using Texts = std::vector<std::string>;

class ClosedPort : public CameraOnCom1 {
protected:
    SerialPort port{0};
};

class OpenPort : public CameraOnCom1 {
protected:
    void SetUp() override {
        ASSERT_TRUE(port.open(19200, 8, 0, 0));
        system().clearRecords();
    }
    SerialPort port{0};
};

TEST_F(ClosedPort, OpenSetsUpThePortInOrder) {
    ASSERT_TRUE(port.open(19200, 8, 0, 0));
    EXPECT_EQ(callTexts(),
              (Texts{"CreateFileA(\\\\.\\COM1, 0xC0000000, 0, 3, 0x0)", "PurgeComm(0xF)",
                     "GetCommState(port)", "SetCommState(19200, 8, 0, 0, abort 1, length 28)",
                     "SetCommTimeouts(4294967295, 4294967295, 1001, 0, 0)"}));
    EXPECT_TRUE(system().portIsOpen(1));
    EXPECT_EQ(port.isOpen, 1);
    EXPECT_EQ(port.statusFlags, 0u);
}

TEST_F(ClosedPort, OpenPutsEachLineParameterInItsFieldAndKeepsTheDriversOthers) {
    ASSERT_TRUE(port.open(9600, 7, 2, 1));
    DCB dcb{};
    ASSERT_TRUE(system().GetCommState(port.handle, &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_EQ(dcb.Parity, 1);
    EXPECT_EQ(dcb.fAbortOnError, 1u);
    // As the fake driver had them before the open.
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fDtrControl, 1u);
    EXPECT_EQ(dcb.fRtsControl, 1u);
    EXPECT_EQ(dcb.XonLim, 2048);
    EXPECT_EQ(dcb.XoffLim, 512);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
}

TEST_F(ClosedPort, IndexNineOpensComTen) {
    SerialPort tenth(9);
    system().attachPort(10, &camera);
    ASSERT_TRUE(tenth.open(19200, 8, 0, 0));
    EXPECT_EQ(system().log(SysCall::CreateFileA)[0],
              "CreateFileA(\\\\.\\COM10, 0xC0000000, 0, 3, 0x0)");
    EXPECT_TRUE(system().portIsOpen(10));
}

TEST_F(ClosedPort, AMissingOrBusyPortFailsWithPortSetupAndNothingToClose) {
    SerialPort absent(4);
    EXPECT_FALSE(absent.open(19200, 8, 0, 0));
    EXPECT_EQ(absent.statusFlags, STATUS_PORT_SETUP);

    ASSERT_TRUE(port.open(19200, 8, 0, 0));
    SerialPort second(0);
    EXPECT_FALSE(second.open(19200, 8, 0, 0));
    EXPECT_EQ(second.statusFlags, STATUS_PORT_SETUP);
    EXPECT_EQ(system().calls(SysCall::CloseHandle), 0);
}

struct SetupFault {
    SysCall call;
    std::uint32_t flags;
};

class PortSetupFault : public ClosedPort, public ::testing::WithParamInterface<SetupFault> {};

TEST_P(PortSetupFault, ClosesTheHandleAndLeavesThePortClosed) {
    system().failCall(GetParam().call);
    EXPECT_FALSE(port.open(19200, 8, 0, 0));
    EXPECT_EQ(port.statusFlags, GetParam().flags);
    EXPECT_EQ(port.isOpen, 0);
    EXPECT_EQ(system().log(SysCall::CloseHandle), Texts{"CloseHandle(port)"});
    EXPECT_FALSE(system().portIsOpen(1));
    // The closed handle is not used again: nothing reaches the system.
    system().clearRecords();
    EXPECT_FALSE(port.write("x", 1));
    EXPECT_FALSE(port.purge());
    EXPECT_TRUE(system().records().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, PortSetupFault,
    ::testing::Values(SetupFault{SysCall::PurgeComm, STATUS_PORT_SETUP},
                      SetupFault{SysCall::GetCommState, STATUS_PORT_SETUP},
                      SetupFault{SysCall::SetCommState, STATUS_PORT_SETUP},
                      SetupFault{SysCall::SetCommTimeouts, STATUS_PORT_SETUP | STATUS_TIMEOUTS}),
    [](const auto& test) { return std::string(sysCallName(test.param.call)); });

TEST_F(ClosedPort, ConfigureOpensAClosedPortWithTheFullSetUp) {
    ASSERT_TRUE(port.configure(38400, 8, 0, 0));
    EXPECT_EQ(system().calls(SysCall::CreateFileA), 1);
    EXPECT_EQ(system().log(SysCall::PurgeComm), Texts{"PurgeComm(0xF)"});
    EXPECT_EQ(system().calls(SysCall::SetCommTimeouts), 1);
    EXPECT_EQ(system().portBaud(1), 38400u);
}

TEST_F(ClosedPort, ConfigureThatCannotOpenFailsWithPortSetup) {
    system().failCall(SysCall::CreateFileA);
    EXPECT_FALSE(port.configure(19200, 8, 0, 0));
    EXPECT_EQ(port.statusFlags, STATUS_PORT_SETUP);
    EXPECT_EQ(port.isOpen, 0);
}

TEST_F(OpenPort, ConfigureWithTheSameParametersMakesNoCall) {
    EXPECT_TRUE(port.configure(19200, 8, 0, 0));
    EXPECT_TRUE(system().records().empty());
}

TEST_F(OpenPort, ConfigureChangesOnlyTheLineNeitherPurgingNorTouchingTimeOuts) {
    ASSERT_TRUE(port.configure(115200, 8, 0, 0));
    EXPECT_EQ(callTexts(),
              (Texts{"GetCommState(port)", "SetCommState(115200, 8, 0, 0, abort 1, length 28)"}));
    EXPECT_EQ(port.baudRate, 115200u);
    // A change of any one parameter is a change.
    system().clearRecords();
    ASSERT_TRUE(port.configure(115200, 8, 0, 2));
    EXPECT_EQ(system().calls(SysCall::SetCommState), 1);
}

TEST_F(OpenPort, FailedConfigureKeepsThePortOpenAtItsOldSpeed) {
    for (SysCall call : {SysCall::GetCommState, SysCall::SetCommState}) {
        SCOPED_TRACE(sysCallName(call));
        port.statusFlags = 0;
        system().failCall(call);
        EXPECT_FALSE(port.configure(57600, 8, 0, 0));
        EXPECT_EQ(port.statusFlags, STATUS_PORT_SETUP);
        EXPECT_EQ(port.isOpen, 1);
        EXPECT_EQ(port.baudRate, 19200u);
        EXPECT_EQ(system().portBaud(1), 19200u);
    }
    // Still 19200 as far as the port knows, so a later configure really sets 57600.
    ASSERT_TRUE(port.configure(57600, 8, 0, 0));
    EXPECT_EQ(system().portBaud(1), 57600u);
}

TEST_F(OpenPort, TimeOutsAreWholeMillisecondsTruncated) {
    port.readPerByteMicros = 2999;
    port.readConstantMicros = 12345;
    ASSERT_TRUE(port.applyTimeouts());
    EXPECT_EQ(system().log(SysCall::SetCommTimeouts),
              Texts{"SetCommTimeouts(4294967295, 4294967295, 14, 0, 0)"});
}

TEST_F(OpenPort, ASilentReadWaitsOneSecondAndOneMillisecondWhateverItsLength) {
    char buffer[2048];
    const std::uint64_t start = system().nowMicros();
    EXPECT_FALSE(port.readByte(buffer));
    EXPECT_EQ(system().nowMicros() - start, 1001000u);
    EXPECT_FALSE(port.read(buffer, sizeof buffer));
    EXPECT_EQ(system().nowMicros() - start, 2 * 1001000u);
}

// A camera that goes quiet in the middle of its answer, on a paced line.
class ALineThatFallsSilent : public OpenPort, public ::testing::WithParamInterface<DWORD> {};

TEST_P(ALineThatFallsSilent, EndsTheReadOneSecondAfterItsLastByte) {
    const DWORD baud = GetParam();
    ASSERT_TRUE(port.configure(baud, 8, 0, 0));
    system().setLinePacing(true);
    camera.reply(Bytes(300, 0x5A));
    ASSERT_TRUE(port.writeByte(0x06));
    const std::uint64_t start = system().nowMicros();
    std::vector<BYTE> buffer(2048);
    EXPECT_FALSE(port.read(buffer.data(), 2048));
    EXPECT_EQ(port.statusFlags, STATUS_READ_SHORT);
    EXPECT_EQ(buffer[299], 0x5A);
    const std::uint64_t byteMicros = (10u * 1000000u + baud - 1) / baud;
    EXPECT_EQ(system().nowMicros() - start, 300 * byteMicros + 1001000u);
}

TEST_P(ALineThatFallsSilent, StillGivesAWholeLongPacketThatKeepsComing) {
    const DWORD baud = GetParam();
    ASSERT_TRUE(port.configure(baud, 8, 0, 0));
    system().setLinePacing(true);
    camera.reply(Bytes(4096, 0xA5));
    ASSERT_TRUE(port.writeByte(0x06));
    std::vector<BYTE> buffer(4096);
    EXPECT_TRUE(port.read(buffer.data(), 4096));  // 4.3 s at 9600 Bd, 0.36 s at 115200 Bd
    EXPECT_EQ(buffer[4095], 0xA5);
}

INSTANTIATE_TEST_SUITE_P(AtTheSlowestAndTheFastestSpeed, ALineThatFallsSilent,
                         ::testing::Values(9600u, 115200u),
                         [](const auto& test) { return std::to_string(test.param) + "Bd"; });

TEST_F(OpenPort, PerByteTimeOutBelowAMillisecondLeavesOnlyTheConstant) {
    port.readPerByteMicros = 1;
    ASSERT_TRUE(port.applyTimeouts());
    char buffer[100];
    const std::uint64_t start = system().nowMicros();
    EXPECT_FALSE(port.read(buffer, sizeof buffer));
    EXPECT_EQ(system().nowMicros() - start, 1000u);
}

TEST_F(OpenPort, FailedTimeOutChangeKeepsThePreviousTimeOutsInForce) {
    system().failCall(SysCall::SetCommTimeouts);
    port.readPerByteMicros = 5000000;
    EXPECT_FALSE(port.applyTimeouts());
    EXPECT_EQ(port.statusFlags, STATUS_TIMEOUTS);
    EXPECT_EQ(system().portTimeouts(1).ReadTotalTimeoutConstant, 1001u);
}

TEST_F(OpenPort, ReadClearsTheTransmitSideOnlyAndReadsOnce) {
    camera.reply({0x41, 0x42});
    ASSERT_TRUE(port.writeByte(0));
    system().clearRecords();
    char buffer[2];
    ASSERT_TRUE(port.read(buffer, 2));
    EXPECT_EQ(callTexts(), (Texts{"PurgeComm(0x4)", "ReadFile(port, 2)"}));
    EXPECT_EQ(buffer[1], 0x42);
}

TEST_F(OpenPort, AShortReadFailsKeepsWhatCameAndClearsTheLineError) {
    camera.reply({0xAA, 0xBB});
    ASSERT_TRUE(port.writeByte(0));
    BYTE buffer[4] = {};
    EXPECT_FALSE(port.read(buffer, 4));
    EXPECT_EQ(port.statusFlags, STATUS_READ_SHORT);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0xBB);
    EXPECT_EQ(system().calls(SysCall::ClearCommError), 1);
}

TEST_F(OpenPort, AFailedReadFileSetsReadShortAndClearsTheLineError) {
    system().failCall(SysCall::ReadFile);
    char buffer;
    EXPECT_FALSE(port.readByte(&buffer));
    EXPECT_EQ(port.statusFlags, STATUS_READ_SHORT);
    EXPECT_EQ(system().calls(SysCall::ClearCommError), 1);
}

TEST_F(OpenPort, AReadWhosePurgeFailsReadsNothingAndSaysSo) {
    system().failCall(SysCall::PurgeComm);
    char buffer;
    EXPECT_FALSE(port.readByte(&buffer));
    EXPECT_EQ(port.statusFlags, STATUS_READ_SHORT);
    EXPECT_EQ(system().calls(SysCall::ReadFile), 0);
}

TEST_F(ClosedPort, AReadWhileClosedAddsNotOpenAndCallsNothing) {
    port.statusFlags = STATUS_WRITE;
    char buffer;
    EXPECT_FALSE(port.readByte(&buffer));
    EXPECT_EQ(port.statusFlags, STATUS_WRITE | STATUS_NOT_OPEN);
    EXPECT_TRUE(system().records().empty());
}

TEST_F(ClosedPort, AWriteWhileClosedFailsWithoutACall) {
    EXPECT_FALSE(port.writeByte(0x06));
    EXPECT_EQ(port.statusFlags, STATUS_WRITE);
    EXPECT_TRUE(system().records().empty());
}

TEST_F(OpenPort, WriteThrowsAwayUnreadInputThenWritesOnce) {
    camera.reply({0x15});
    ASSERT_TRUE(port.writeByte(0));
    system().clearRecords();
    const BYTE packet[] = {0x1B, 0x43, 0x02, 0x00, 0x01, 0x0A, 0x0B, 0x00};
    ASSERT_TRUE(port.write(packet, sizeof packet));
    EXPECT_EQ(callTexts(), (Texts{"PurgeComm(0x8)", "WriteFile(port, 1B 43 02 00 01 0A 0B 00)"}));
    char stale;
    EXPECT_FALSE(port.readByte(&stale));  // the 0x15 was discarded
}

TEST_F(OpenPort, AShortOrFailedWriteSetsWriteWithoutClearingTheLine) {
    system().failCall(SysCall::WriteFile, 1, 1, ERROR_GEN_FAILURE, FaultTarget::Port, true);
    EXPECT_FALSE(port.write("abcd", 4));
    EXPECT_EQ(port.statusFlags, STATUS_WRITE);
    port.statusFlags = 0;
    system().failCall(SysCall::WriteFile);
    EXPECT_FALSE(port.write("abcd", 4));
    EXPECT_EQ(port.statusFlags, STATUS_WRITE);
    EXPECT_EQ(system().calls(SysCall::ClearCommError), 0);
}

TEST_F(OpenPort, AWriteWhosePurgeFailsSendsNothingAndSaysSo) {
    system().failCall(SysCall::PurgeComm);
    EXPECT_FALSE(port.writeByte(0));
    EXPECT_EQ(port.statusFlags, STATUS_WRITE);
    EXPECT_TRUE(system().bytesSent().empty());
}

TEST_F(OpenPort, StatusBitsAccumulate) {
    system().failCall(SysCall::WriteFile);
    EXPECT_FALSE(port.writeByte(0));
    char buffer;
    EXPECT_FALSE(port.readByte(&buffer));
    EXPECT_EQ(port.statusFlags, STATUS_WRITE | STATUS_READ_SHORT);
}

TEST_F(OpenPort, PurgeClearsBothSidesAndReportsTheCall) {
    EXPECT_TRUE(port.purge());
    system().failCall(SysCall::PurgeComm);
    EXPECT_FALSE(port.purge());
    EXPECT_EQ(system().log(SysCall::PurgeComm), (Texts{"PurgeComm(0xC)", "PurgeComm(0xC)"}));
    EXPECT_EQ(port.statusFlags, 0u);
}

TEST_F(OpenPort, CloseOnAClosedPortDoesNothing) {
    port.close();
    port.close();
    EXPECT_EQ(system().calls(SysCall::CloseHandle), 1);
    EXPECT_FALSE(system().portIsOpen(1));
}

TEST_F(CameraOnCom1, DestroyingAnOpenPortClosesIt) {
    {
        SerialPort port(0);
        ASSERT_TRUE(port.open(19200, 8, 0, 0));
    }
    EXPECT_FALSE(system().portIsOpen(1));
}

}  // namespace
}  // namespace pixlor::test
