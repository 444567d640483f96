#include "far/MessageNumbers.h"
#include "far/ModuleState.h"
#include "plugin/EntryPoints.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

namespace pixlor::test {
namespace {

class ACameraWithThreePictures : public HostWithCamera {
protected:
    ACameraWithThreePictures()
        : HostWithCamera({PictureOn(2002, 5, 17), PictureOn(2002, 5, 17), PictureOn(2002, 5, 18)},
                         NumberedTexts()) {}
    void SetUp() override { ASSERT_TRUE(start()) << emulator.errorText; }
};

TEST_F(ACameraWithThreePictures, OpensAndReadsTheCatalogueInTwoSeriesEndingAtTheDefaultSpeed) {
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    EXPECT_EQ(openPanels, 1);
    EXPECT_EQ(panel()->device->pictureCount, 3u);
    for (std::uint32_t position = 0; position < 3; ++position)
        EXPECT_EQ(panel()->device->entryAt(position)->infoRead, 1) << position;
    // Up and down for the count, up once for the three informations and down after the last.
    EXPECT_EQ(camera.counters().speedSwitches, 4);
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    ASSERT_FALSE(user.boxes.empty());
    EXPECT_EQ(BoxTexts(user.boxes[0]),
              (std::vector<std::string>{text(MSG_TITLE), text(MSG_READING_CATALOGUE)}));
    EXPECT_TRUE(user.boxes[0].buttons.empty());
    EXPECT_EQ(user.boxes.size(), 1u);
    EXPECT_TRUE(everyScreenRestoredOnce());
    EXPECT_EQ(emulator.screensSaved(), 1);
}

TEST_F(ACameraWithThreePictures, ClosingANullHandleStillOpensTheGuard) {
    openPanels = 1;
    pixlor::ClosePlugin(nullptr);
    EXPECT_EQ(openPanels, 0);
}

TEST_F(ACameraWithThreePictures, AFailedInformationReadIsReportedAndLeavesNoPanel) {
    camera.addFault({sim::FaultKind::Silence, sim::CommandMatch::requestData(sim::REG_PICTURE_INFO),
                     sim::FAULT_FOREVER});
    EXPECT_FALSE(emulator.openPanel());
    EXPECT_EQ(openPanels, 0);
    const auto reports = boxesWithTopic("Errors");
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0].lines.at(0), text(MSG_CAMERA_FAILED));
    EXPECT_TRUE(everyScreenRestoredOnce());
    EXPECT_FALSE(fake.system.portIsOpen(2));
}

TEST_F(ACameraWithThreePictures, TheSettingsKeyKeepsAVeryLongRootKeyWhole) {
    const std::string rootKey = "Software\\" + std::string(120, 'k') + "\\Plugins";
    PluginStartupInfo startup = emulator.startupInfo();
    startup.RootKey = rootKey.c_str();
    pixlor::SetStartupInfo(startup);
    EXPECT_EQ(pluginKeyPath, rootKey + "\\Pixlor");
    // The port setting is read from the whole key: COM3 holds no camera, so opening fails.
    HKEY key = nullptr;
    const DWORD com3 = 2;
    ASSERT_EQ(fake.system.registry().createKey(HKEY_CURRENT_USER, pluginKeyPath.c_str(), &key),
              ERROR_SUCCESS);
    fake.system.registry().setValue(key, "SerialPort", REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&com3), sizeof com3);
    fake.system.registry().closeKey(key);
    EXPECT_FALSE(emulator.openPanel());
    EXPECT_FALSE(boxesWithTopic("Errors").empty());
}

TEST_F(ACameraWithThreePictures, DescribesItselfToTheHostMenus) {
    PluginInfo info{};
    info.CommandPrefix = "kept";
    pixlor::GetPluginInfo(info);
    EXPECT_EQ(int{info.StructSize}, static_cast<int>(sizeof(PluginInfo)));
    EXPECT_EQ(DWORD{info.Flags}, DWORD{PF_DISABLEPANELS});
    ASSERT_EQ(int{info.DiskMenuStringsNumber}, 1);
    EXPECT_EQ(std::string(info.DiskMenuStrings[0]), text(MSG_MENU_ITEM));
    ASSERT_EQ(int{info.PluginConfigStringsNumber}, 1);
    EXPECT_EQ(std::string(info.PluginConfigStrings[0]), text(MSG_CONFIG_ITEM));
    EXPECT_EQ(int{info.PluginMenuStringsNumber}, 0);
    EXPECT_STREQ(info.CommandPrefix, "kept");
    EXPECT_EQ(MIN_FAR_VERSION, 0x05020146);
}

class ASystemWithoutSerialPorts : public HostWithCamera {
protected:
    ASystemWithoutSerialPorts() : HostWithCamera({PictureOn(2002, 5, 17)}, NumberedTexts({}, 0)) {}
    void SetUp() override { ASSERT_TRUE(start()) << emulator.errorText; }
};

TEST_F(ASystemWithoutSerialPorts, RefusesToOpenWithoutTouchingPortOrSettings) {
    fake.system.clearRecords();
    EXPECT_EQ(portCount, 0);
    EXPECT_FALSE(emulator.openPanel());
    const auto refusals = boxesWithTopic("NoSerialPort");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].flags, DWORD{FMSG_WARNING | FMSG_MB_OK});
    EXPECT_EQ(refusals[0].lines.at(0), text(MSG_NO_SERIAL_PORT));
    EXPECT_EQ(fake.system.calls(SysCall::CreateFileA), 0);
    EXPECT_EQ(fake.system.calls(SysCall::RegQueryValueExA), 0);
}

class ASystemListingTwentyPorts : public HostWithCamera {
protected:
    ASystemListingTwentyPorts() : HostWithCamera({PictureOn(2002, 5, 17)}, NumberedTexts({}, 20)) {}
    void SetUp() override { ASSERT_TRUE(start()) << emulator.errorText; }
};

TEST_F(ASystemListingTwentyPorts, CountsSixteen) { EXPECT_EQ(portCount, 16); }

class AnEmptyCamera : public HostWithCamera {
protected:
    AnEmptyCamera() : HostWithCamera({}, NumberedTexts()) {}
    void SetUp() override { ASSERT_TRUE(start()) << emulator.errorText; }
};

TEST_F(AnEmptyCamera, SaysSoAndOpensNoPanel) {
    EXPECT_FALSE(emulator.openPanel());
    EXPECT_EQ(openPanels, 0);
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[1].flags, DWORD{FMSG_MB_OK});
    EXPECT_EQ(BoxTexts(user.boxes[1]),
              (std::vector<std::string>{text(MSG_TITLE), text(MSG_CAMERA_EMPTY)}));
    EXPECT_TRUE(everyScreenRestoredOnce());
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

}  // namespace
}  // namespace pixlor::test
