// The plug-in driven through its exported entry points by the host emulator, against the
// simulated camera on the virtual clock.
#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "platform/Calendar.h"
#include "sim/CameraModel.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace pixlor::test {
namespace {

sim::Picture PictureOn(int year, unsigned month, unsigned day, std::uint32_t photoSize) {
    const std::int64_t seconds = daysFromCivil(year, month, day) * 86400 + 12 * 3600;
    return {photoSize, photoSize / 10, static_cast<std::int32_t>(seconds), 0};
}

class AHostWithACameraOnCom2 : public ::testing::Test {
protected:
    AHostWithACameraOnCom2()
        : camera({PictureOn(2002, 5, 17, 30000), PictureOn(2002, 5, 17, 20000),
                  PictureOn(2002, 5, 18, 10000)}),
          emulator(host::LinkedPluginEntryPoints(), user, Settings()) {
        fake.system.attachPort(2, &camera);
        auto& ports =
            fake.system.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
        for (const char* port : {"COM1", "COM2"})
            ports.values.push_back({port, REG_SZ, std::vector<BYTE>(port, port + 5)});
    }
    void SetUp() override {
        ASSERT_TRUE(emulator.start()) << emulator.errorText;
        ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    }
    void TearDown() override {
        if (emulator.panelOpen()) emulator.closePanel();
        EXPECT_EQ(emulator.screensOutstanding(), 0);
        EXPECT_TRUE(emulator.violations().empty()) << emulator.violations().front();
    }
    host::EmulatorSettings Settings() const {
        host::EmulatorSettings settings;
        settings.moduleName = (std::filesystem::current_path() / "pixlor.so").string();
        settings.diskDirectory = disk.path();
        return settings;
    }
    std::vector<BYTE> photoOf(std::size_t position) const {
        return camera.expectedData(camera.pictures()[position].id, sim::PictureKind::Photo);
    }

    FakeSystemInForce fake;
    TempDir disk;
    sim::CameraModel camera;
    host::ScriptedUser user;
    host::HostEmulator emulator;
};

TEST_F(AHostWithACameraOnCom2, OpensWithDateFoldersAndDescribesTheRoot) {
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-17", "02-05-18"}));
    EXPECT_EQ(emulator.panelDescription().flags, 1463u);
    EXPECT_EQ(emulator.panelDescription().curDir, "");
    EXPECT_TRUE(emulator.panelDescription().keyBar[0][4].has_value());
    EXPECT_FALSE(emulator.panelDescription().keyBar[0][0].has_value());
    EXPECT_EQ(emulator.pluginDescription().flags, PF_DISABLEPANELS);
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

TEST_F(AHostWithACameraOnCom2, AFolderListsNamesContinuingTheDiskPanelsNumbers) {
    std::ofstream(disk.path() + "/pic17.05.2002_004.jpg") << "x";
    ASSERT_TRUE(emulator.setDiskDirectory(disk.path()));
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    EXPECT_EQ(emulator.panelDescription().flags, 1471u);
    EXPECT_EQ(emulator.panelDescription().curDir, "02-05-17");
    const auto names = emulator.pluginPanel().names();
    EXPECT_NE(std::find(names.begin(), names.end(), "pic17.05.2002_005.jpg"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "pic17.05.2002_006.jpg"), names.end());
}

TEST_F(AHostWithACameraOnCom2, F5CopiesASelectedFolderIntoItsDateSubFolder) {
    ASSERT_TRUE(emulator.selectItems({"02-05-17"}));
    user.queueDialog([this](host::DialogRequest& dialog) {
        EXPECT_EQ(std::string(dialog.items[2].Data), emulator.diskPanel().curDir);
        return 7;  // OK
    });
    EXPECT_EQ(emulator.pressKey(VK_F5), 1);
    EXPECT_EQ(readFileBytes(disk.windowsPath("02-05-17\\pic17.05.2002_001.jpg")), photoOf(0));
    EXPECT_EQ(readFileBytes(disk.windowsPath("02-05-17\\pic17.05.2002_002.jpg")), photoOf(1));
    ASSERT_EQ(user.dialogs.size(), 1u);
    EXPECT_EQ(user.dialogs[0].helpTopic, "WhereToCopy");
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

TEST_F(AHostWithACameraOnCom2, F7ShowsThumbnailsInOneBlankFolder) {
    EXPECT_EQ(emulator.pressKey(VK_F7), 1);
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{" "}));
}

TEST_F(AHostWithACameraOnCom2, F8DeletingEveryPictureClosesThePanel) {
    ASSERT_TRUE(emulator.selectItems({"02-05-17", "02-05-18"}));
    user.queueAnswer(0);  // delete?
    user.queueAnswer(0);  // the camera is empty now
    EXPECT_EQ(emulator.pressKey(VK_F8), 1);
    EXPECT_TRUE(camera.pictures().empty());
    EXPECT_FALSE(emulator.panelOpen());
    EXPECT_EQ(emulator.closeDirectory(), ".");
}

TEST_F(AHostWithACameraOnCom2, GetFilesDownloadsThePicturesUnderTheCursorsNames) {
    ASSERT_TRUE(emulator.enterFolder("02-05-18"));
    ASSERT_TRUE(emulator.selectItems({emulator.pluginPanel().names().back()}));
    const std::string name = emulator.pluginPanel().selectedNames().at(0);
    EXPECT_EQ(emulator.getFiles(), 1);
    EXPECT_EQ(readFileBytes(disk.windowsPath(name)), photoOf(2));
}

}  // namespace
}  // namespace pixlor::test
