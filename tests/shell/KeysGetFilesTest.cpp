#include "shell/MessageNumbers.h"
#include "shell/PanelKeys.h"
#include "tests/shell/PanelHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace pixlor::test {
namespace {

class TheHostAsksForThreePictures : public ::testing::Test, public PanelTestBase {
protected:
    TheHostAsksForThreePictures()
        : PanelTestBase({PictureOn(2002, 5, 17, 3000, 300, 10, 20, 30),
                         PictureOn(2002, 5, 17, 5000, 500), PictureOn(2002, 5, 17, 7000, 700)}) {}
    void SetUp() override {
        ASSERT_NE(open(), nullptr);
        folderItem = list(*panel).at(0);
        ASSERT_TRUE(SetDirectory(*panel, "02-05-17"));
        pictures = list(*panel);
        host.messages.clear();
    }
    std::vector<BYTE> expected(std::size_t position) const {
        return camera.expectedData(camera.pictures()[position].id, sim::PictureKind::Photo);
    }
    bool getFiles(const std::vector<PluginPanelItem>& items, const std::string& destination) {
        return GetFiles(*panel, items.data(), static_cast<int>(items.size()), destination.c_str());
    }
    PluginPanelItem folderItem{};
    std::vector<PluginPanelItem> pictures;
};

TEST_F(TheHostAsksForThreePictures, DownloadsEachUnderItsListedNameWithItsShootingTime) {
    EXPECT_TRUE(getFiles(pictures, folder.path()));
    EXPECT_EQ(readFileBytes(folder.windowsPath("pic17.05.2002_001.jpg")), expected(0));
    EXPECT_EQ(readFileBytes(folder.windowsPath("pic17.05.2002_003.jpg")), expected(2));
    struct stat status {};
    ASSERT_EQ(stat(nativePath(folder.windowsPath("pic17.05.2002_001.jpg")).c_str(), &status), 0);
    const std::uint64_t ticks =
        (std::uint64_t{pictures[0].FindData.ftCreationTime.dwHighDateTime} << 32) |
        pictures[0].FindData.ftCreationTime.dwLowDateTime;
    EXPECT_EQ(static_cast<std::uint64_t>(status.st_mtime), ticks / 10000000 - 11644473600ull);
    EXPECT_TRUE(host.allScreensRestoredOnce());
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages[0].items.at(0), Msg(MSG_GETTING_FILE));
    EXPECT_EQ(host.messages[0].items.at(2), "00%");
    EXPECT_EQ(host.messages.back().items.at(2), "100%");
}

TEST_F(TheHostAsksForThreePictures, ALongDestinationIsShortenedOnlyOnScreen) {
    const std::string deep = folder.path() + "/" + std::string(70, 'd');
    std::filesystem::create_directory(deep);
    EXPECT_TRUE(getFiles({pictures[1]}, deep));
    EXPECT_EQ(readFileBytes(deep + "/pic17.05.2002_002.jpg"), expected(1));
    for (const ShownMessage& message : host.messages) EXPECT_LE(message.items.at(1).size(), 60u);
}

TEST_F(TheHostAsksForThreePictures, DateFolderItemsArePassedOver) {
    EXPECT_TRUE(getFiles({pictures[0], folderItem}, folder.path()));
    EXPECT_FALSE(fileExists(folder.windowsPath(folderItem.FindData.cFileName)));
    EXPECT_EQ(readFileBytes(folder.windowsPath("pic17.05.2002_001.jpg")), expected(0));
    // The last picture, not the folder behind it, ended the series.
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_TRUE(host.allScreensRestoredOnce());
}

TEST_F(TheHostAsksForThreePictures, AnUnknownPictureStopsSilentlyWithTheScreenRestored) {
    std::vector<PluginPanelItem> items = {pictures[0]};
    items[0].UserData = 99;
    EXPECT_FALSE(getFiles(items, folder.path()));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.screensSaved, 2);
    EXPECT_TRUE(host.allScreensRestoredOnce());
}

TEST_F(TheHostAsksForThreePictures, AnExistingTargetStopsWithAReportAndIsKept) {
    std::ofstream(nativePath(folder.windowsPath("pic17.05.2002_002.jpg"))) << "mine";
    EXPECT_FALSE(getFiles(pictures, folder.path()));
    const auto reports = host.messagesWithTopic("Errors");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].items.at(2), "status 0 error 0 operation 9");
    EXPECT_EQ(readFileBytes(folder.windowsPath("pic17.05.2002_002.jpg")),
              (std::vector<BYTE>{'m', 'i', 'n', 'e'}));
    EXPECT_FALSE(fileExists(folder.windowsPath("pic17.05.2002_003.jpg")));
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_TRUE(host.allScreensRestoredOnce());
}

TEST_F(TheHostAsksForThreePictures, ABrokenTransferStopsWithAReport) {
    camera.addFault({sim::FaultKind::Silence, sim::CommandMatch::requestData(sim::REG_PHOTO_DATA),
                     sim::FAULT_FOREVER});
    EXPECT_FALSE(getFiles(pictures, folder.path()));
    const auto reports = host.messagesWithTopic("Errors");
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports[0].items.at(2).find("operation 4"), std::string::npos);
    EXPECT_TRUE(host.allScreensRestoredOnce());
}

TEST_F(TheHostAsksForThreePictures, APictureTheCameraWillNotSelectIsSkippedSilently) {
    camera.addFault({sim::FaultKind::Refuse, sim::CommandMatch::setRegister(sim::REG_CURRENT_PICTURE)});
    EXPECT_TRUE(getFiles(pictures, folder.path()));
    EXPECT_TRUE(host.messagesWithTopic("Errors").empty());
    EXPECT_FALSE(fileExists(folder.windowsPath("pic17.05.2002_001.jpg")));
    EXPECT_EQ(readFileBytes(folder.windowsPath("pic17.05.2002_002.jpg")), expected(1));
    EXPECT_EQ(readFileBytes(folder.windowsPath("pic17.05.2002_003.jpg")), expected(2));
    EXPECT_TRUE(host.allScreensRestoredOnce());
}

}  // namespace
}  // namespace pixlor::test
