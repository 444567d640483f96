#include "tests/device/DeviceFixtures.h"

#include <climits>
#include <functional>

namespace pixlor::test {
namespace {

using sim::CommandMatch;
using sim::Fault;
using sim::FaultKind;

class CameraWithThreePictures : public DeviceOnSimulatedCamera {
protected:
    CameraWithThreePictures() : DeviceOnSimulatedCamera(threePictures()) {}
};

TEST_F(CameraWithThreePictures, CatalogueOpensWithTheCountAndTheCameraBackAtItsDefaultSpeed) {
    ASSERT_TRUE(device->openCatalogue());
    EXPECT_EQ(device->pictureCount, 3u);
    ASSERT_NE(device->entryAt(2), nullptr);
    EXPECT_EQ(device->entryAt(3), nullptr);
    EXPECT_EQ(device->entryAt(0)->infoRead, 0);
    EXPECT_EQ(hostWrites(), (std::vector<Bytes>{PROBE, SPEED_FAST, GET_COUNT, ACK, SPEED_RESET}));
    EXPECT_EQ(camera.baud(), 19200u);
}

TEST_F(CameraWithThreePictures, InformationSeriesWakesSwitchesAndResetsOnceAndFillsEveryEntry) {
    ASSERT_TRUE(device->openCatalogue());
    markWire();
    for (std::uint32_t n = 1; n <= 3; ++n) ASSERT_TRUE(device->readPictureInfo(n, n == 3));

    EXPECT_EQ(writesOf(PROBE), 1);
    EXPECT_EQ(writesOf(SPEED_FAST), 1);
    EXPECT_EQ(writesOf(SPEED_RESET), 1);
    EXPECT_EQ(hostWrites().back(), SPEED_RESET);
    EXPECT_EQ(writesOf(GET_INFO), 3);
    for (std::uint32_t n = 1; n <= 3; ++n) EXPECT_EQ(writesOf(selectPacket(n)), 1);
    const PictureEntry& second = *device->entryAt(1);
    EXPECT_EQ(second.infoRead, 1);
    EXPECT_EQ(second.photoSize, 4100u);
    EXPECT_EQ(second.thumbSize, 200u);
    // 1,000,003,600 s is one hour after 2001-09-09 01:46:40, in no time zone.
    EXPECT_EQ(second.year, 2001);
    EXPECT_EQ(second.month, 9);
    EXPECT_EQ(second.day, 9);
    EXPECT_EQ(second.hour, 2);
    EXPECT_EQ(second.minute, 46);
    EXPECT_EQ(second.second, 40);
    EXPECT_EQ(camera.baud(), 19200u);
}

TEST_F(CameraWithThreePictures, EntryAlreadyReadAnswersWithoutTrafficEvenWhenUnplugged) {
    openAsThePanelDoes();
    system().attachPort(1, nullptr);
    const std::size_t sentBefore = system().bytesSent().size();
    EXPECT_TRUE(device->readPictureInfo(2, true));
    EXPECT_EQ(system().bytesSent().size(), sentBefore);
}

TEST_F(CameraWithThreePictures, NumbersOutOfRangeFailWithTheirCodesAndSendNothing) {
    ASSERT_TRUE(device->openCatalogue());
    const std::size_t sentBefore = system().bytesSent().size();
    TempDir dir;
    const std::string name = dir.windowsPath("P.JPG");
    auto download = [&](std::uint32_t number, bool photo) {
        return device->downloadPicture(number, photo, true, name.c_str(), nullptr, {});
    };
    struct Case {
        const char* what;
        std::function<bool()> run;
        std::int32_t code;
    };
    // clang-format off
    const Case cases[] = {
        {"photo 0", [&] { return download(0, true); }, OP_PHOTO_RANGE},
        {"photo 4", [&] { return download(4, true); }, OP_PHOTO_RANGE},
        {"thumb 0", [&] { return download(0, false); }, OP_THUMB_RANGE},
        {"thumb 4", [&] { return download(4, false); }, OP_THUMB_RANGE},
        {"info 0", [&] { return device->readPictureInfo(0, true); }, OP_INFO_RANGE},
        {"info 4", [&] { return device->readPictureInfo(4, true); }, OP_INFO_RANGE},
        {"select 0", [&] { return device->selectPicture(0); }, OP_SELECT_RANGE},
        {"select 4", [&] { return device->selectPicture(4); }, OP_SELECT_RANGE},
        {"delete 0", [&] { return device->deletePicture(0, true); }, OP_SELECT_RANGE},
        {"delete 4", [&] { return device->deletePicture(4, true); }, OP_SELECT_RANGE},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.run());
        EXPECT_EQ(device->operationCode, c.code);
    }
    EXPECT_EQ(system().bytesSent().size(), sentBefore);
    EXPECT_FALSE(fileExists(name));
    EXPECT_EQ(device->pictureCount, 3u);
}

TEST_F(CameraWithThreePictures, SamePictureSelectedTwiceSendsRegister4Once) {
    ASSERT_TRUE(device->connect(false));
    markWire();
    EXPECT_TRUE(device->selectPicture(2));
    EXPECT_TRUE(device->selectPicture(2));
    EXPECT_EQ(hostWrites(), std::vector<Bytes>{selectPacket(2)});
    EXPECT_EQ(camera.currentPicture(), 2u);
}

TEST_F(CameraWithThreePictures, SelectionIsSentAgainAfterTheCameraWasSwitchedOffAndOn) {
    openAsThePanelDoes();  // picture 3 was selected last
    camera.powerCycle();   // the camera now has picture 1 selected
    markWire();
    TempDir dir;
    const std::string name = dir.windowsPath("P.JPG");
    ASSERT_TRUE(device->downloadPicture(3, true, true, name.c_str(), nullptr, {}));
    EXPECT_EQ(writesOf(selectPacket(3)), 1);
    EXPECT_EQ(readFileBytes(name), camera.expectedData(3, sim::PictureKind::Photo));
}

TEST_F(CameraWithThreePictures, SelectionAnsweredByNobodyIsNotTakenForDone) {
    ASSERT_TRUE(device->connect(false));
    ASSERT_TRUE(device->selectPicture(1));
    camera.addFault(Fault{FaultKind::Silence, CommandMatch::setRegister(4)});
    EXPECT_FALSE(device->selectPicture(2));
    EXPECT_EQ(device->operationCode, OP_SELECT);
    markWire();
    EXPECT_TRUE(device->selectPicture(1));
    EXPECT_EQ(hostWrites(), std::vector<Bytes>{selectPacket(1)});
}

TEST_F(CameraWithThreePictures, NakToThePictureCountResetsTheSpeedAndReportsTheNak) {
    camera.addFault(Fault{FaultKind::Nak, CommandMatch::getRegister(10), 3});
    EXPECT_FALSE(device->openCatalogue());
    EXPECT_EQ(device->operationCode, OP_CONNECT);
    EXPECT_EQ(linkError(), LINK_ERR_GET_REGISTER);
    EXPECT_EQ(flags(), STATUS_NAK);
    EXPECT_EQ(writesOf(GET_COUNT), 3);
    EXPECT_EQ(hostWrites().back(), SPEED_RESET);
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_EQ(device->entryAt(0), nullptr);
}

TEST_F(CameraWithThreePictures, DisconnectAfterATimeOutSendsNothing) {
    camera.addFault(Fault{FaultKind::Silence, CommandMatch::getRegister(10)});
    EXPECT_FALSE(device->openCatalogue());
    EXPECT_NE(flags() & STATUS_READ_SHORT, 0u);
    const std::size_t sentBefore = system().bytesSent().size();
    EXPECT_TRUE(device->disconnect());
    EXPECT_EQ(device->operationCode, OP_OK);
    EXPECT_EQ(system().bytesSent().size(), sentBefore);
}

TEST_F(CameraWithThreePictures, DestroyingTheDeviceReturnsTheCameraToItsDefaultSpeed) {
    ASSERT_TRUE(device->connect(false));
    ASSERT_EQ(camera.baud(), 115200u);
    device.reset();
    EXPECT_EQ(camera.baud(), 19200u);
    EXPECT_FALSE(system().portIsOpen(1));
}

TEST_F(CameraWithThreePictures, LoneAckInPlaceOfTheInformationIsNotTakenForIt) {
    ASSERT_TRUE(device->openCatalogue());
    ASSERT_TRUE(device->readPictureInfo(1, false));  // picture 1's record stays in the buffer
    camera.addFault(Fault{FaultKind::Unexpected, CommandMatch::requestData(47), 1, 0, 0x06});
    EXPECT_FALSE(device->readPictureInfo(2, true));
    EXPECT_EQ(device->operationCode, OP_PICTURE_INFO);
    EXPECT_EQ(linkError(), LINK_ERR_GET_DATA);
    EXPECT_EQ(flags(), STATUS_UNEXPECTED);
    EXPECT_EQ(device->entryAt(1)->infoRead, 0);
    EXPECT_EQ(device->entryAt(1)->photoSize, 0u);
}

class CameraWithoutPictures : public DeviceOnSimulatedCamera {
protected:
    CameraWithoutPictures() : DeviceOnSimulatedCamera({}) {}
};

TEST_F(CameraWithoutPictures, CatalogueOpensEmptyAndNothingCanBeDeleted) {
    ASSERT_TRUE(device->openCatalogue());
    EXPECT_EQ(device->pictureCount, 0u);
    EXPECT_EQ(device->entryAt(0), nullptr);
    markWire();
    EXPECT_FALSE(device->deletePicture(0, true));
    EXPECT_TRUE(hostWrites().empty());
    EXPECT_EQ(device->pictureCount, 0u);
}

class CameraWithOldAndNewPictures : public DeviceOnSimulatedCamera {
protected:
    CameraWithOldAndNewPictures()
        : DeviceOnSimulatedCamera({{10, 1, 0, 0},
                                   {10, 1, -1, 0},
                                   {10, 1, INT_MIN, 0},
                                   {10, 1, INT_MAX, 0},
                                   {10, 1, 951782400, 0}}) {}
};

TEST_F(CameraWithOldAndNewPictures, ShootingTimesBreakDownOnTheGregorianCalendarWithoutZone) {
    openAsThePanelDoes();
    struct Expected {
        int year, month, day, hour, minute, second;
    };
    const Expected expected[] = {
        {1970, 1, 1, 0, 0, 0},   {1969, 12, 31, 23, 59, 59}, {1901, 12, 13, 20, 45, 52},
        {2038, 1, 19, 3, 14, 7}, {2000, 2, 29, 0, 0, 0},
    };
    for (std::uint32_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const PictureEntry& entry = *device->entryAt(i);
        EXPECT_EQ(entry.year, expected[i].year);
        EXPECT_EQ(entry.month, expected[i].month);
        EXPECT_EQ(entry.day, expected[i].day);
        EXPECT_EQ(entry.hour, expected[i].hour);
        EXPECT_EQ(entry.minute, expected[i].minute);
        EXPECT_EQ(entry.second, expected[i].second);
    }
}

class CameraClaimingFourBillionPictures : public DeviceOnScriptedCamera {
protected:
    CameraClaimingFourBillionPictures() { scriptCatalogueOf(0xFFFFFFFF); }
};

TEST_F(CameraClaimingFourBillionPictures, CountIsRefusedAndTheCameraGoesBackToItsDefaultSpeed) {
    EXPECT_FALSE(device.openCatalogue());
    EXPECT_EQ(device.operationCode, OP_CONNECT);
    EXPECT_EQ(device.link->errorCode, LINK_ERR_GET_REGISTER);
    EXPECT_EQ(device.link->port->statusFlags, STATUS_UNEXPECTED);
    EXPECT_EQ(device.pictureCount, 0u);
    EXPECT_EQ(device.entryAt(0), nullptr);
    EXPECT_EQ(camera.writes().back().bytes, SPEED_RESET);
    EXPECT_EQ(device.linkReady, 0);
}

// A scripted camera whose picture information is cut short after the two sizes.
class CameraWithAShortInformationRecord : public DeviceOnScriptedCamera {
protected:
    CameraWithAShortInformationRecord() {
        scriptCatalogueOf(1);
        camera.reply(NAK).reply(ACK).reply(ACK).reply(dataPacket(0x03, {9, 0, 0, 0, 8, 0, 0, 0}));
    }
};

TEST_F(CameraWithAShortInformationRecord, RecordIsRefusedInsteadOfReadingStaleBytes) {
    ASSERT_TRUE(device.openCatalogue());
    EXPECT_FALSE(device.readPictureInfo(1, true));
    EXPECT_EQ(device.operationCode, OP_PICTURE_INFO);
    EXPECT_EQ(device.link->port->statusFlags, STATUS_UNEXPECTED);
    EXPECT_EQ(device.entryAt(0)->infoRead, 0);
    EXPECT_EQ(device.entryAt(0)->photoSize, 0u);
}

}  // namespace
}  // namespace pixlor::test
