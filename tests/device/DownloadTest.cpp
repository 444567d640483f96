#include "tests/device/DeviceFixtures.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <utility>

namespace pixlor::test {
namespace {

using sim::CommandMatch;
using sim::Fault;
using sim::FaultKind;
using sim::PictureKind;
using Progress = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

constexpr std::int32_t SHOT_AT = 1000000000;  // 2001-09-09 01:46:40

Progress progressCalls;
bool recordProgress(std::uint32_t done, std::uint32_t size) {
    progressCalls.emplace_back(done, size);
    return true;
}

FILETIME fileTimeOf(std::int64_t unixSeconds) {
    const auto ticks = static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Picture 1: a 250-byte photo (packets of 100, 100 and 50 bytes) and a 40-byte thumbnail. The
// panel has read the catalogue; the camera is at its default speed.
class CameraSendingSmallPackets : public DeviceOnSimulatedCamera {
protected:
    CameraSendingSmallPackets()
        : DeviceOnSimulatedCamera({{250, 40, SHOT_AT, 0}, {130, 10, SHOT_AT, 0}}, 100) {}
    void SetUp() override {
        openAsThePanelDoes();
        markWire();
        system().clearRecords();
        progressCalls.clear();
    }
    bool download(bool photo) {
        return device->downloadPicture(1, photo, true, target.c_str(), recordProgress,
                                       fileTimeOf(SHOT_AT));
    }
    // The host's writes after its request for the data.
    std::vector<Bytes> answersToTheData() const {
        std::vector<Bytes> writes = hostWrites();
        auto request = std::find_if(writes.begin(), writes.end(), [](const Bytes& write) {
            return write == GET_PHOTO || write == GET_THUMB;
        });
        return request == writes.end() ? std::vector<Bytes>{}
                                       : std::vector<Bytes>(request + 1, writes.end());
    }
    Bytes photo() const { return camera.expectedData(1, PictureKind::Photo); }
    // Writes to the target file and the ACKs to the camera, in the order they happened.
    std::vector<std::string> fileWritesAndAcks() {
        std::vector<std::string> writes;
        for (const FakeSystem::Record& record : system().records())
            if (record.text.starts_with("WriteFile(file") || record.text == "WriteFile(port, 06)")
                writes.push_back(record.text);
        return writes;
    }

    TempDir dir;
    const std::string target = dir.windowsPath("PICT0001.JPG");
};

TEST_F(CameraSendingSmallPackets, ThreePacketsAreAcknowledgedWrittenInOrderAndStamped) {
    ASSERT_TRUE(download(true));
    EXPECT_EQ(device->operationCode, OP_OK);
    EXPECT_EQ(hostWrites(), (std::vector<Bytes>{PROBE, SPEED_FAST, selectPacket(1), GET_PHOTO, ACK,
                                                ACK, ACK, SPEED_RESET}));
    EXPECT_EQ(progressCalls, (Progress{{100, 250}, {200, 250}, {250, 250}}));
    EXPECT_EQ(readFileBytes(target), photo());
    struct stat status {};
    ASSERT_EQ(::stat(nativePath(target).c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, SHOT_AT);
    EXPECT_FALSE(camera.transferWaiting());
    EXPECT_EQ(camera.baud(), 19200u);
}

TEST_F(CameraSendingSmallPackets, EachPacketGoesToTheFileBeforeTheNextIsAskedFor) {
    ASSERT_TRUE(download(true));
    EXPECT_EQ(fileWritesAndAcks(),
              (std::vector<std::string>{"WriteFile(file, 100)", "WriteFile(port, 06)",
                                        "WriteFile(file, 100)", "WriteFile(port, 06)",
                                        "WriteFile(file, 50)", "WriteFile(port, 06)"}));
}

TEST_F(CameraSendingSmallPackets, ThumbnailCountsAgainstItsOwnSizeWithoutReadingInfoAgain) {
    ASSERT_TRUE(download(false));
    EXPECT_EQ(progressCalls, (Progress{{40, 40}}));
    EXPECT_EQ(writesOf(GET_INFO), 0);
    EXPECT_EQ(readFileBytes(target), camera.expectedData(1, PictureKind::Thumbnail));
}

TEST_F(CameraSendingSmallPackets, DamagedPacketsAreAskedAgainAndEachPacketGetsTwoRetries) {
    camera.addFault(Fault{FaultKind::Damage, CommandMatch::requestData(14), 2, 0});
    camera.addFault(Fault{FaultKind::Damage, CommandMatch::requestData(14), 2, 1});
    ASSERT_TRUE(download(true));
    EXPECT_EQ(answersToTheData(),
              (std::vector<Bytes>{NAK, NAK, ACK, NAK, NAK, ACK, ACK, SPEED_RESET}));
    EXPECT_EQ(readFileBytes(target), photo());
    EXPECT_EQ(progressCalls.size(), 3u);
}

TEST_F(CameraSendingSmallPackets, ThreeDamagedCopiesEndTheTransferWithoutAFile) {
    camera.addFault(Fault{FaultKind::Damage, CommandMatch::requestData(14), 3, 1});
    EXPECT_FALSE(download(true));
    EXPECT_EQ(device->operationCode, OP_DOWNLOAD_PHOTO);
    EXPECT_EQ(linkError(), LINK_ERR_NEXT_PACKET);
    EXPECT_EQ(flags(), STATUS_CHECKSUM);
    EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{ACK, NAK, NAK}));
    EXPECT_FALSE(fileExists(target));
    // The camera did answer: the caller's disconnect returns it to its default speed.
    EXPECT_TRUE(device->disconnect());
    EXPECT_EQ(hostWrites().back(), SPEED_RESET);
    EXPECT_EQ(camera.baud(), 19200u);
}

TEST_F(CameraSendingSmallPackets, NakOrRefusalMidTransferResetsTheSpeedAndReportsTheFirstFailure) {
    const std::pair<int, std::uint32_t> answers[] = {{0x15, STATUS_NAK}, {0x11, STATUS_REFUSED}};
    for (const auto& [answer, flag] : answers) {
        SCOPED_TRACE(answer);
        markWire();
        camera.addFault(Fault{FaultKind::Unexpected, CommandMatch::requestData(14), 1, 1, answer});
        EXPECT_FALSE(download(true));
        EXPECT_EQ(device->operationCode, OP_DOWNLOAD_PHOTO);
        EXPECT_EQ(linkError(), LINK_ERR_NEXT_PACKET);
        EXPECT_EQ(flags(), flag);
        EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{ACK, SPEED_RESET}));
        EXPECT_EQ(camera.baud(), 19200u);
        EXPECT_FALSE(fileExists(target));
    }
}

TEST_F(CameraSendingSmallPackets, LoneAckInPlaceOfAPacketIsAskedAgainAndNothingIsWrittenTwice) {
    camera.addFault(Fault{FaultKind::Unexpected, CommandMatch::requestData(14), 1, 1, 0x06});
    ASSERT_TRUE(download(true));
    EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{ACK, NAK, ACK, ACK, SPEED_RESET}));
    EXPECT_EQ(readFileBytes(target), photo());
    EXPECT_EQ(progressCalls, (Progress{{100, 250}, {200, 250}, {250, 250}}));
}

TEST_F(CameraSendingSmallPackets, PacketLongerThanTheBufferIsAskedAgain) {
    camera.addFault(Fault{FaultKind::OverlongLength, CommandMatch::requestData(14), 1, 1, 0xFFFF});
    ASSERT_TRUE(download(true));
    // The tail of the refused packet may still be on the line and cost one more NAK.
    const std::vector<Bytes> answers = answersToTheData();
    ASSERT_GE(answers.size(), 2u);
    EXPECT_EQ(answers[1], NAK);
    EXPECT_EQ(readFileBytes(target), photo());
    EXPECT_EQ(progressCalls, (Progress{{100, 250}, {200, 250}, {250, 250}}));
}

TEST_F(CameraSendingSmallPackets, ThreeLoneAcksEndTheTransferWithoutWritingStaleBytes) {
    camera.addFault(Fault{FaultKind::Unexpected, CommandMatch::requestData(14), 3, 1, 0x06});
    EXPECT_FALSE(download(true));
    EXPECT_EQ(flags(), STATUS_UNEXPECTED);
    EXPECT_EQ(linkError(), LINK_ERR_NEXT_PACKET);
    EXPECT_EQ(progressCalls, (Progress{{100, 250}}));
    EXPECT_EQ(fileWritesAndAcks(),
              (std::vector<std::string>{"WriteFile(file, 100)", "WriteFile(port, 06)"}));
    EXPECT_FALSE(fileExists(target));
}

TEST_F(CameraSendingSmallPackets, DataRequestRefusedWithNakThreeTimesFailsAndResets) {
    camera.addFault(Fault{FaultKind::Nak, CommandMatch::requestData(14), 3});
    EXPECT_FALSE(download(true));
    EXPECT_EQ(device->operationCode, OP_DOWNLOAD_PHOTO);
    EXPECT_EQ(linkError(), LINK_ERR_GET_DATA);
    EXPECT_EQ(flags(), STATUS_NAK);
    EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{GET_PHOTO, GET_PHOTO, SPEED_RESET}));
    EXPECT_FALSE(fileExists(target));
}

TEST_F(CameraSendingSmallPackets, SilentCameraIsAskedTwiceMoreThenTheTransferFailsWithoutAFile) {
    camera.addFault(Fault{FaultKind::Silence, CommandMatch::requestData(14)});
    EXPECT_FALSE(download(true));
    EXPECT_EQ(device->operationCode, OP_DOWNLOAD_PHOTO);
    EXPECT_EQ(flags(), STATUS_READ_SHORT);
    EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{NAK, NAK}));
    EXPECT_FALSE(fileExists(target));
    EXPECT_EQ(system().openFileHandles(), 0u);
}

TEST_F(CameraSendingSmallPackets, FailedFileWriteFailsWithTheFileCodeAndEndsTheCameraTransfer) {
    system().failCall(SysCall::WriteFile, 2, 1, ERROR_DISK_FULL, FaultTarget::File);
    EXPECT_FALSE(download(true));
    EXPECT_EQ(device->operationCode, OP_PHOTO_FILE);
    EXPECT_FALSE(fileExists(target));
    // Packet 2 is never answered: the speed reset ends the camera's transfer.
    EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{ACK, SPEED_RESET}));
    EXPECT_FALSE(camera.transferWaiting());
    EXPECT_EQ(camera.baud(), 19200u);
    markWire();
    EXPECT_TRUE(device->disconnect());
    EXPECT_TRUE(hostWrites().empty());
}

TEST_F(CameraSendingSmallPackets, ShortThumbnailWriteFailsWithTheThumbnailFileCode) {
    system().failCall(SysCall::WriteFile, 1, 1, ERROR_DISK_FULL, FaultTarget::File, true);
    EXPECT_FALSE(download(false));
    EXPECT_EQ(device->operationCode, OP_THUMB_FILE);
    EXPECT_FALSE(fileExists(target));
    EXPECT_EQ(hostWrites().back(), SPEED_RESET);
    EXPECT_EQ(camera.baud(), 19200u);
}

TEST_F(CameraSendingSmallPackets, ExistingTargetFailsWithTheFileCodeAndKeepsItsBytes) {
    std::ofstream(nativePath(target), std::ios::binary) << "mine";
    EXPECT_FALSE(download(true));
    EXPECT_EQ(device->operationCode, OP_PHOTO_FILE);
    EXPECT_FALSE(download(false));
    EXPECT_EQ(device->operationCode, OP_THUMB_FILE);
    EXPECT_EQ(readFileBytes(target), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(hostWrites(), (std::vector<Bytes>{PROBE, SPEED_FAST, selectPacket(1)}));
    EXPECT_EQ(camera.baud(), 115200u);  // the caller's disconnect resets it
}

// Where a read of the photo stops short while the camera goes on sending: the nth ReadFile
// after the catalogue (one a byte on the paced line: the probe, the speed switch and the
// selection take the first three, then packet 0 from its first byte on), or the camera's
// own pause of more than the one-second silence before byte `pauseAt` of packet 0.
struct ShortReadRow {
    const char* situation;
    int abortedRead;      // 0: none
    std::size_t pauseAt;  // 0: none
};

void PrintTo(const ShortReadRow& row, std::ostream* out) { *out << row.situation; }

FakeSystem* slowHost = nullptr;
// The host's second progress redraw takes longer than a packet on the line: whatever the
// camera sent meanwhile is purged by the next answer.
bool recordProgressSlowlyOnce(std::uint32_t done, std::uint32_t size) {
    recordProgress(done, size);
    if (progressCalls.size() == 2 && slowHost != nullptr) slowHost->advanceMicros(20000);
    return true;
}

// The simulated camera, pausing once inside its first data packet.
class CameraPausingInAPacket : public CameraPeer {
public:
    explicit CameraPausingInAPacket(sim::CameraModel& camera) : CameraPeer(camera) {}
    void hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& reply) override {
        CameraPeer::hostSent(bytes, count, hostBaud, reply);
        const bool dataPacket = !reply.bytes.empty() && (reply.bytes[0] == sim::CAM_DATA ||
                                                         reply.bytes[0] == sim::CAM_DATA_LAST);
        if (pauseAt != 0 && dataPacket && reply.bytes.size() > pauseAt) {
            reply.pauses.push_back({pauseAt, 1500000});
            pauseAt = 0;
        }
    }
    std::size_t pauseAt = 0;
};

class ReadEndingShortInAPacket : public CameraSendingSmallPackets,
                                 public ::testing::WithParamInterface<ShortReadRow> {
protected:
    ReadEndingShortInAPacket() : pausing(camera) { system().attachPort(1, &pausing); }
    ~ReadEndingShortInAPacket() override { slowHost = nullptr; }
    CameraPausingInAPacket pausing;
};

TEST_P(ReadEndingShortInAPacket, PacketIsAskedAgainOnceTheLineIsQuietAndTheCopyIsExact) {
    const ShortReadRow& row = GetParam();
    if (row.abortedRead != 0)
        system().failCall(SysCall::ReadFile, row.abortedRead, 1, ERROR_OPERATION_ABORTED,
                          FaultTarget::Port);
    pausing.pauseAt = row.pauseAt;
    slowHost = &system();
    ASSERT_TRUE(device->downloadPicture(1, true, true, target.c_str(), recordProgressSlowlyOnce,
                                        fileTimeOf(SHOT_AT)));
    EXPECT_EQ(readFileBytes(target), photo());
    EXPECT_EQ(progressCalls, (Progress{{100, 250}, {200, 250}, {250, 250}}));
    // One request again for the packet cut short, and one more when the camera's pause made
    // the rest of it arrive as an answer.
    const std::vector<Bytes> answers = answersToTheData();
    EXPECT_EQ(std::count(answers.begin(), answers.end(), NAK), row.pauseAt != 0 ? 2 : 1);
    EXPECT_FALSE(camera.transferWaiting());
    EXPECT_EQ(camera.baud(), 19200u);
}

// clang-format off
const ShortReadRow SHORT_READS[] = {
    {"InterruptedAtAPacketsFirstByte", 4, 0},
    {"InterruptedInTheHeader", 6, 0},
    {"InterruptedInThePayload", 57, 0},
    {"InterruptedAtTheLastChecksumByte", 109, 0},
    {"CameraPausesInTheHeader", 0, 2},
    {"CameraPausesInThePayload", 0, 50},
    {"CameraPausesBeforeTheLastChecksumByte", 0, 105},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, ReadEndingShortInAPacket, ::testing::ValuesIn(SHORT_READS),
                         [](const ::testing::TestParamInfo<ShortReadRow>& param) {
                             return std::string(param.param.situation);
                         });

TEST_F(CameraSendingSmallPackets, TransferEndedByInterruptedReadsResetsTheSpeedAndLeavesNoFile) {
    // The packet cut short, then the wait for the line to go quiet cut short too, so that the
    // line's state is not known and nothing is asked again; or every read from there on.
    for (const int interruptedReads : {2, 1000}) {
        SCOPED_TRACE(interruptedReads);
        markWire();
        system().failCall(SysCall::ReadFile, 57, interruptedReads, ERROR_OPERATION_ABORTED,
                          FaultTarget::Port);
        EXPECT_FALSE(download(true));
        system().clearFaults();
        EXPECT_EQ(device->operationCode, OP_DOWNLOAD_PHOTO);
        EXPECT_EQ(flags(), STATUS_READ_SHORT);
        EXPECT_FALSE(fileExists(target));
        EXPECT_EQ(answersToTheData(), (std::vector<Bytes>{SPEED_RESET}));
        EXPECT_EQ(camera.baud(), 19200u);
        EXPECT_TRUE(device->disconnect());
    }
}

// A camera whose data run past the size its picture information announced.
class CameraSendingMoreThanAnnounced : public DeviceOnScriptedCamera {
protected:
    CameraSendingMoreThanAnnounced() {
        Bytes record(32, 0);
        record[0] = 4;  // photo size 4
        scriptCatalogueOf(1);
        camera.reply(NAK).reply(ACK).reply(ACK).reply(dataPacket(0x03, record)).silence();
        camera.reply(dataPacket(0x02, {1, 2, 3})).reply(dataPacket(0x03, {4, 5, 6}));
        camera.silence().reply(ACK);
        progressCalls.clear();
    }
    TempDir dir;
};

TEST_F(CameraSendingMoreThanAnnounced, FailsAtTheExcessPacketAndLeavesNoFile) {
    ASSERT_TRUE(device.openCatalogue());
    const std::string target = dir.windowsPath("P.JPG");
    EXPECT_FALSE(device.downloadPicture(1, true, true, target.c_str(), recordProgress, {}));
    EXPECT_EQ(device.operationCode, OP_DOWNLOAD_PHOTO);
    EXPECT_EQ(device.link->errorCode, LINK_ERR_NEXT_PACKET);
    EXPECT_EQ(device.link->port->statusFlags, STATUS_CHECKSUM);
    EXPECT_FALSE(fileExists(target));
    EXPECT_EQ(progressCalls, (Progress{{3, 4}}));
}

}  // namespace
}  // namespace pixlor::test
