// The plug-in driven through its exported entry points by the host emulator, against the
// simulated camera on the virtual clock, with the project's own language file.
#include "far/MessageNumbers.h"
#include "plugin/PanelKeys.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace pixlor::test {
namespace {

constexpr int OK_BUTTON = 7;

class AHostWithACameraOnCom2 : public HostWithCamera {
protected:
    AHostWithACameraOnCom2()
        : HostWithCamera({PictureOn(2002, 5, 17, 30000, 3000), PictureOn(2002, 5, 17, 20000, 2000),
                          PictureOn(2002, 5, 18, 10000, 1000)}) {}
    void SetUp() override { ASSERT_TRUE(startAndOpen()) << emulator.errorText; }
    void answerOk() {
        user.queueDialog([](host::DialogRequest&) { return OK_BUTTON; });
    }
    std::vector<std::uint32_t> idsOnCamera() const {
        std::vector<std::uint32_t> ids;
        for (const sim::Picture& picture : camera.pictures()) ids.push_back(picture.id);
        return ids;
    }
};

TEST_F(AHostWithACameraOnCom2, OpensWithDateFoldersAndDescribesTheRoot) {
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-17", "02-05-18"}));
    EXPECT_EQ(emulator.panelDescription().flags, 1431u);  // no OPIF_REALNAMES
    EXPECT_EQ(emulator.panelDescription().curDir, "");
    EXPECT_TRUE(emulator.panelDescription().keyBar[0][4].has_value());
    EXPECT_FALSE(emulator.panelDescription().keyBar[0][0].has_value());
    EXPECT_EQ(emulator.pluginDescription().flags, DWORD{PF_DISABLEPANELS});
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

TEST_F(AHostWithACameraOnCom2, RefusesASecondPanelUntilTheFirstIsClosed) {
    // The plug-in chosen from the other panel's disk menu while its panel is open.
    const host::PluginEntryPoints plugin = host::LinkedPluginEntryPoints();
    EXPECT_EQ(plugin.OpenPlugin(OPEN_DISKMENU, 0), INVALID_HANDLE_VALUE);
    const auto refusals = boxesWithTopic("MultiSession");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].flags, DWORD{FMSG_WARNING | FMSG_MB_OK});
    EXPECT_EQ(BoxTexts(refusals[0]),
              (std::vector<std::string>{text(MSG_TITLE), text(MSG_MULTI_SESSION)}));
    EXPECT_EQ(refusals[0].buttons, (std::vector<std::string>{"OK"}));
    EXPECT_TRUE(emulator.panelOpen());

    emulator.closePanel();
    EXPECT_TRUE(emulator.openPanel()) << emulator.errorText;
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-17", "02-05-18"}));
}

TEST_F(AHostWithACameraOnCom2, F5CopiesASelectedFolderIntoItsDateSubFolder) {
    ASSERT_TRUE(emulator.selectItems({"02-05-17"}));
    user.queueDialog([this](host::DialogRequest& dialog) {
        EXPECT_EQ(std::string(dialog.items[2].Data), emulator.diskPanel().curDir);
        return OK_BUTTON;
    });
    EXPECT_EQ(emulator.pressKey(VK_F5), 1);
    EXPECT_EQ(readFileBytes(disk.windowsPath("02-05-17\\pic17.05.2002_001.jpg")), expected(0));
    EXPECT_EQ(readFileBytes(disk.windowsPath("02-05-17\\pic17.05.2002_002.jpg")), expected(1));
    ASSERT_EQ(user.dialogs.size(), 1u);
    EXPECT_EQ(user.dialogs[0].helpTopic, "WhereToCopy");
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_EQ(emulator.diskPanel().find("02-05-17"), 1) << "the disk panel shows the new folder";
}

TEST_F(AHostWithACameraOnCom2, F6DeletesThePicturesOnTheCameraOnlyAfterCompleteCopies) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    ASSERT_TRUE(emulator.selectItems({"pic17.05.2002_001.jpg", "pic17.05.2002_002.jpg"}));
    const auto first = expected(0);
    const auto second = expected(1);
    answerOk();
    EXPECT_EQ(emulator.pressKey(VK_F6), 1);
    // Inside a date folder the copies go straight into the destination.
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_001.jpg")), first);
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_002.jpg")), second);
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{3}));
    EXPECT_TRUE(boxesWithTopic("Errors").empty());
    EXPECT_TRUE(emulator.panelOpen());
}

TEST_F(AHostWithACameraOnCom2, AMoveWhoseSecondFileCannotReachTheDiskStopsAndDeletesNothing) {
    fake.system.failCall(SysCall::FlushFileBuffers, 2, 1, ERROR_DISK_FULL, FaultTarget::File);
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    std::vector<std::string> marked = emulator.pluginPanel().names();
    marked.erase(marked.begin());  // ".."
    ASSERT_TRUE(emulator.selectItems(marked)) << emulator.errorText;
    answerOk();
    EXPECT_EQ(emulator.pressKey(VK_F6), 1);
    const auto reports = boxesWithTopic("Errors");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].lines.back().ends_with("operation 9")) << reports[0].lines.back();
    EXPECT_EQ(filesOnDisk(), 1u) << "the first photo, and nothing of the second";
    EXPECT_EQ(camera.counters().deletes, 0);
    EXPECT_EQ(camera.pictures().size(), 3u);
    EXPECT_EQ(emulator.pluginPanel().selectedNames(), std::vector<std::string>{marked[1]})
        << "the mark of the picture not copied stays";
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

TEST_F(AHostWithACameraOnCom2, F6OfEveryPictureEmptiesTheCameraAndClosesThePanel) {
    ASSERT_TRUE(emulator.selectItems({"02-05-17", "02-05-18"}));
    answerOk();
    user.queueAnswer(0);  // the camera is empty now
    EXPECT_EQ(emulator.pressKey(VK_F6), 1);
    EXPECT_EQ(filesOnDisk(), 3u);
    EXPECT_TRUE(fileExists(disk.windowsPath("02-05-18\\pic18.05.2002_001.jpg")));
    EXPECT_TRUE(camera.pictures().empty());
    ASSERT_EQ(boxesWithTopic("DeleteClosePlugin").size(), 1u);
    EXPECT_FALSE(emulator.panelOpen());
    EXPECT_EQ(emulator.closeDirectory(), ".");
}

TEST_F(AHostWithACameraOnCom2, F8RenumbersThePicturesLeftSoTheyStillCopyTheirOwnData) {
    const auto last = expected(2);
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    ASSERT_TRUE(emulator.selectItems({"pic17.05.2002_001.jpg"}));
    user.queueAnswer(0);  // delete?
    EXPECT_EQ(emulator.pressKey(VK_F8), 1);
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"..", "pic17.05.2002_001.jpg"}));

    ASSERT_TRUE(emulator.enterFolder(".."));
    ASSERT_TRUE(emulator.enterFolder("02-05-18"));
    const PluginPanelItem& item = emulator.pluginPanel().items().at(1);
    EXPECT_EQ(DWORD_PTR{item.UserData}, 1u) << "the third picture is the second now";
    ASSERT_TRUE(emulator.setCurrentItem(item.FindData.cFileName));
    EXPECT_EQ(emulator.getFiles(), 1);
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic18.05.2002_001.jpg")), last);
}

TEST_F(AHostWithACameraOnCom2, F7ShowsTheThumbnailsAtTheRoot) {
    EXPECT_EQ(emulator.pressKey(VK_F7), 1);
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"thumb17.05.2002_001.jpg", "thumb17.05.2002_002.jpg",
                                        "thumb18.05.2002_001.jpg"}));
}

TEST_F(AHostWithACameraOnCom2, GetFilesDownloadsThePicturesUnderTheCursorsNames) {
    ASSERT_TRUE(emulator.enterFolder("02-05-18"));
    ASSERT_TRUE(emulator.selectItems({emulator.pluginPanel().names().back()}));
    const std::string name = emulator.pluginPanel().selectedNames().at(0);
    EXPECT_EQ(emulator.getFiles(), 1);
    EXPECT_EQ(readFileBytes(disk.windowsPath(name)), expected(2));
}

// F1 in the panel, as the host chooses the plug-in's help file for its help language: the
// file whose .Language line names it, English for a language without one.
class F1InThePanel : public HostWithCamera,
                     public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
protected:
    F1InThePanel() : HostWithCamera({PictureOn(2002, 5, 17)}, WithHelpLanguage(GetParam().first)) {}
    static CameraHostSetup WithHelpLanguage(const char* language) {
        CameraHostSetup setup;
        setup.helpLanguage = language;
        return setup;
    }
};

TEST_P(F1InThePanel, ShowsTheContentsOfTheHelpFileOfTheHelpLanguage) {
    ASSERT_TRUE(startAndOpen()) << emulator.errorText;
    EXPECT_EQ(emulator.pressKey(0x70), 0) << "F1 is the host's";
    ASSERT_EQ(emulator.hostCommands().size(), 1u);
    const host::HostCommandRecord& help = emulator.hostCommands()[0];
    EXPECT_EQ(help.action, "help");
    EXPECT_EQ(std::filesystem::path(help.path).filename().string(), GetParam().second);
    EXPECT_EQ(help.failure, "");
    EXPECT_EQ(std::string(help.shown.begin(), help.shown.begin() + 3), "$ #");
}

INSTANTIATE_TEST_SUITE_P(EveryHelpLanguage, F1InThePanel,
                         ::testing::Values(std::pair{"English", "PixlorEng.hlf"},
                                           std::pair{"Russian", "PixlorRus.hlf"},
                                           std::pair{"russian", "PixlorRus.hlf"},
                                           std::pair{"German", "PixlorEng.hlf"}));

}  // namespace
}  // namespace pixlor::test
