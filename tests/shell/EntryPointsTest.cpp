#include "shell/EntryPoints.h"
#include "shell/MessageNumbers.h"
#include "shell/ModuleState.h"
#include "tests/shell/PanelHost.h"

#include <gtest/gtest.h>

namespace pixlor::test {
namespace {

class ACameraWithThreePictures : public ::testing::Test, public PanelTestBase {
protected:
    ACameraWithThreePictures()
        : PanelTestBase({PictureOn(2002, 5, 17), PictureOn(2002, 5, 17), PictureOn(2002, 5, 18)}) {}
};

TEST_F(ACameraWithThreePictures, OpensAndReadsTheCatalogueInTwoSeriesEndingAtTheDefaultSpeed) {
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(openPanels, 1);
    EXPECT_EQ(panel->device->pictureCount, 3u);
    for (std::uint32_t position = 0; position < 3; ++position)
        EXPECT_EQ(panel->device->entryAt(position)->infoRead, 1) << position;
    // Up and down for the count, up once for the three informations and down after the last.
    EXPECT_EQ(camera.counters().speedSwitches, 4);
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages[0].items, (std::vector<std::string>{Msg(MSG_TITLE), Msg(MSG_READING_CATALOGUE)}));
    EXPECT_EQ(host.messages[0].buttons, 0);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(host.allScreensRestoredOnce());
    EXPECT_EQ(host.screensSaved, 1);
}

TEST_F(ACameraWithThreePictures, RefusesASecondPanelUntilTheFirstIsClosed) {
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(pixlor::OpenPlugin(), nullptr);
    const auto refusals = host.messagesWithTopic("MultiSession");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].flags, FMSG_WARNING | FMSG_MB_OK);
    EXPECT_EQ(refusals[0].items, (std::vector<std::string>{Msg(MSG_TITLE), Msg(MSG_MULTI_SESSION)}));
    EXPECT_EQ(refusals[0].buttons, 1);

    pixlor::ClosePlugin(panel);
    panel = nullptr;
    EXPECT_EQ(openPanels, 0);
    EXPECT_NE(open(), nullptr);
}

TEST_F(ACameraWithThreePictures, ClosingANullHandleStillOpensTheGuard) {
    openPanels = 1;
    pixlor::ClosePlugin(nullptr);
    EXPECT_EQ(openPanels, 0);
}

TEST_F(ACameraWithThreePictures, AFailedInformationReadIsReportedAndLeavesNoPanel) {
    camera.addFault({sim::FaultKind::Silence, sim::CommandMatch::requestData(sim::REG_PICTURE_INFO),
                     sim::FAULT_FOREVER});
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(openPanels, 0);
    const auto reports = host.messagesWithTopic("Errors");
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0].items[1], Msg(MSG_CAMERA_FAILED));
    EXPECT_TRUE(host.allScreensRestoredOnce());
    EXPECT_FALSE(fake.system.portIsOpen(2));
}

TEST_F(ACameraWithThreePictures, TheSettingsKeyKeepsAVeryLongRootKeyWhole) {
    host.rootKey = "Software\\" + std::string(120, 'k') + "\\Plugins";
    host.startupInfo.RootKey = host.rootKey.c_str();
    pixlor::SetStartupInfo(host.startupInfo);
    EXPECT_EQ(pluginKeyPath, host.rootKey + "\\Pixlor");
    // The port setting is read from the whole key: COM3 holds no camera, so opening fails.
    setNumber("SerialPort", 2);
    EXPECT_EQ(open(), nullptr);
    EXPECT_FALSE(host.messagesWithTopic("Errors").empty());
}

TEST_F(ACameraWithThreePictures, DescribesItselfToTheHostMenus) {
    PluginInfo info{};
    info.CommandPrefix = "kept";
    pixlor::GetPluginInfo(info);
    EXPECT_EQ(info.StructSize, static_cast<int>(sizeof(PluginInfo)));
    EXPECT_EQ(info.Flags, PF_DISABLEPANELS);
    ASSERT_EQ(info.DiskMenuStringsNumber, 1);
    EXPECT_EQ(std::string(info.DiskMenuStrings[0]), Msg(MSG_MENU_ITEM));
    ASSERT_EQ(info.PluginConfigStringsNumber, 1);
    EXPECT_EQ(std::string(info.PluginConfigStrings[0]), Msg(MSG_CONFIG_ITEM));
    EXPECT_EQ(info.PluginMenuStringsNumber, 0);
    EXPECT_STREQ(info.CommandPrefix, "kept");
    EXPECT_EQ(MIN_FAR_VERSION, 0x05020146);
}

class ASystemWithoutSerialPorts : public ::testing::Test, public PanelTestBase {
protected:
    ASystemWithoutSerialPorts() : PanelTestBase({PictureOn(2002, 5, 17)}, 0) {}
};

TEST_F(ASystemWithoutSerialPorts, RefusesToOpenWithoutTouchingPortOrSettings) {
    fake.system.clearRecords();
    EXPECT_EQ(portCount, 0);
    EXPECT_EQ(open(), nullptr);
    const auto refusals = host.messagesWithTopic("NoSerialPort");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].flags, FMSG_WARNING | FMSG_MB_OK);
    EXPECT_EQ(refusals[0].items[1], Msg(MSG_NO_SERIAL_PORT));
    EXPECT_EQ(fake.system.calls(SysCall::CreateFileA), 0);
    EXPECT_EQ(fake.system.calls(SysCall::RegQueryValueExA), 0);
}

class ASystemListingTwentyPorts : public ::testing::Test, public PanelTestBase {
protected:
    ASystemListingTwentyPorts() : PanelTestBase({PictureOn(2002, 5, 17)}, 20) {}
};

TEST_F(ASystemListingTwentyPorts, CountsSixteen) { EXPECT_EQ(portCount, 16); }

class AnEmptyCamera : public ::testing::Test, public PanelTestBase {
protected:
    AnEmptyCamera() : PanelTestBase({}) {}
};

TEST_F(AnEmptyCamera, SaysSoAndOpensNoPanel) {
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(openPanels, 0);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].flags, FMSG_MB_OK);
    EXPECT_EQ(host.messages[1].items, (std::vector<std::string>{Msg(MSG_TITLE), Msg(MSG_CAMERA_EMPTY)}));
    EXPECT_TRUE(host.allScreensRestoredOnce());
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

}  // namespace
}  // namespace pixlor::test
