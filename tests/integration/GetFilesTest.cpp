// The host's own copy commands asking the panel for files (GetFiles): downloads under the listed
// names, the progress box, and the difference between a failure that stops and one that skips.
#include "far/MessageNumbers.h"
#include "plugin/PanelKeys.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sys/stat.h>

namespace pixlor::test {
namespace {

class TheHostAsksForThreePictures : public HostWithCamera {
protected:
    TheHostAsksForThreePictures()
        : HostWithCamera({PictureOn(2002, 5, 17, 3000, 300, 10, 20, 30),
                          PictureOn(2002, 5, 17, 5000, 500), PictureOn(2002, 5, 17, 7000, 700)},
                         NumberedTexts({{MSG_CAMERA_NUMBERS, "status %d error %d operation %d"}})) {
    }
    void SetUp() override {
        ASSERT_TRUE(startAndOpen()) << emulator.errorText;
        folderItem = emulator.pluginPanel().items().at(0);
        ASSERT_TRUE(emulator.enterFolder("02-05-17")) << emulator.errorText;
        user.boxes.clear();
    }
    // The three pictures as the panel lists them, behind its "..".
    std::vector<PluginPanelItem> pictures() const {
        const auto& items = emulator.pluginPanel().items();
        return {items.begin() + 1, items.end()};
    }
    std::vector<std::string> pictureNames() const {
        std::vector<std::string> names = emulator.pluginPanel().names();
        std::erase(names, "..");
        return names;
    }
    // GetFiles with items the host would not offer from this panel.
    bool getFiles(const std::vector<PluginPanelItem>& items) {
        return GetFiles(*panel(), items.data(), static_cast<int>(items.size()),
                        disk.path().c_str());
    }
    PluginPanelItem folderItem{};
};

TEST_F(TheHostAsksForThreePictures, DownloadsEachUnderItsListedNameWithItsShootingTime) {
    ASSERT_TRUE(emulator.selectItems(pictureNames()));
    EXPECT_EQ(emulator.getFiles(), 1);
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_001.jpg")), expected(0));
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_003.jpg")), expected(2));
    struct stat status {};
    ASSERT_EQ(stat(nativePath(disk.windowsPath("pic17.05.2002_001.jpg")).c_str(), &status), 0);
    const FILETIME created = pictures()[0].FindData.ftCreationTime;
    const std::uint64_t ticks =
        (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    EXPECT_EQ(static_cast<std::uint64_t>(status.st_mtime), ticks / 10000000 - 11644473600ull);
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    ASSERT_FALSE(user.boxes.empty());
    EXPECT_EQ(user.boxes[0].title, text(MSG_GETTING_FILE));
    EXPECT_EQ(user.boxes[0].lines.at(1), "00%");
    EXPECT_EQ(user.boxes.back().lines.at(1), "100%");
    EXPECT_TRUE(emulator.pluginPanel().selectedNames().empty());
}

// Esc while the host's copy works (at 19.2 kBd a packet takes a second): the host gets no copy,
// the file under way is removed, no failure is reported and the camera is sent back.
TEST_F(TheHostAsksForThreePictures, StopsOnEscLeavingNoFileAndNoReport) {
    emulator.closePanel();
    setNumber("BaudRate", 2);
    ASSERT_TRUE(emulator.openPanel() && emulator.enterFolder("02-05-17")) << emulator.errorText;
    emulator.setConfirmations(0);
    ASSERT_TRUE(emulator.selectItems(pictureNames()));
    user.noticeShown = [this](const host::BoxRecord& box) {
        if (box.lines.at(1) == "68%") {  // 2048 of 3000 bytes
            EXPECT_TRUE(emulator.typeKey(VK_ESCAPE));
        }
    };
    const int packetsBefore = camera.counters().packetsSent;
    EXPECT_EQ(emulator.getFiles(), 0);
    EXPECT_EQ(filesOnDisk(), 0u);
    EXPECT_TRUE(boxesWithTopic("Errors").empty());
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_EQ(camera.counters().packetsSent - packetsBefore, 1) << "no packet after the stop";
}

#ifndef _WIN32
// The camera's clock shows the local time where the picture was taken. The host shows a panel
// item's time with the offset in force today (the test system's today is in July), so an item
// carries the camera's time less today's offset; a written file carries it less the offset of
// the picture's own date, as every other tool shows files: the camera's hour, in winter and in
// summer, east and west of UTC.
struct ZoneRow {
    const char* situation;
    const char* rule;  // POSIX TZ
    unsigned month;
    int hoursAheadOfUtc;  // on the picture's date
    int hoursAheadToday;
};
void PrintTo(const ZoneRow& row, std::ostream* out) { *out << row.situation; }

// clang-format off
const ZoneRow ZONES[] = {
    {"BerlinInWinter", "CET-1CEST,M3.5.0,M10.5.0/3", 1, 1, 2},
    {"BerlinInSummer", "CET-1CEST,M3.5.0,M10.5.0/3", 7, 2, 2},
    {"NewYorkInWinter", "EST5EDT,M3.2.0,M11.1.0", 1, -5, -4},
    {"NewYorkInSummer", "EST5EDT,M3.2.0,M11.1.0", 7, -4, -4},
    {"UtcInWinter", "UTC0", 1, 0, 0},
    {"UtcInSummer", "UTC0", 7, 0, 0},
};
// clang-format on

class APictureShotInAZone : public HostWithCamera, public ::testing::WithParamInterface<ZoneRow> {
protected:
    APictureShotInAZone()
        : HostWithCamera({PictureOn(2002, GetParam().month, 17, 3000, 300, 12, 34, 31)}),
          zone(GetParam().rule) {}
    // 12:34:31 on the camera, seconds rounded down to even, back to UTC by the date's rules,
    // and by today's offset.
    std::int64_t expectedUtcSeconds() const {
        return daysFromCivil(2002, GetParam().month, 17) * 86400 + 12 * 3600 + 34 * 60 + 30 -
               GetParam().hoursAheadOfUtc * 3600;
    }
    std::int64_t expectedItemSeconds() const {
        return expectedUtcSeconds() +
               (GetParam().hoursAheadOfUtc - GetParam().hoursAheadToday) * 3600;
    }
    static std::int64_t SecondsOf(const FILETIME& time) {
        const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
        return static_cast<std::int64_t>(ticks / 10000000) - 11644473600;
    }
    // The file's modification time, and the local fields it shows as.
    void expectShotAtTwelveThirtyFour(const std::string& path) const {
        struct stat status {};
        ASSERT_EQ(stat(nativePath(path).c_str(), &status), 0) << path;
        EXPECT_EQ(static_cast<std::int64_t>(status.st_mtime), expectedUtcSeconds()) << path;
        std::tm shown{};
        ASSERT_NE(localtime_r(&status.st_mtime, &shown), nullptr);
        EXPECT_EQ((std::vector<int>{shown.tm_year + 1900, shown.tm_mon + 1, shown.tm_mday,
                                    shown.tm_hour, shown.tm_min, shown.tm_sec}),
                  (std::vector<int>{2002, static_cast<int>(GetParam().month), 17, 12, 34, 30}))
            << path;
    }
    TimeZoneInForce zone;
};

TEST_P(APictureShotInAZone, IsListedAndWrittenAtTheCamerasLocalTime) {
    ASSERT_TRUE(startAndOpen()) << emulator.errorText;
    const std::string folder = GetParam().month == 1 ? "02-01-17" : "02-07-17";
    const PluginPanelItem folderItem = emulator.pluginPanel().items().at(0);
    EXPECT_EQ(SecondsOf(folderItem.FindData.ftCreationTime), expectedItemSeconds());
    ASSERT_TRUE(emulator.enterFolder(folder)) << emulator.errorText;
    const PluginPanelItem item = emulator.pluginPanel().items().at(1);
    EXPECT_EQ(SecondsOf(item.FindData.ftLastWriteTime), expectedItemSeconds());

    ASSERT_TRUE(emulator.setCurrentItem(item.FindData.cFileName));
    EXPECT_EQ(emulator.getFiles(), 1);
    expectShotAtTwelveThirtyFour(disk.windowsPath(item.FindData.cFileName));

    ASSERT_TRUE(emulator.enterFolder(".."));
    ASSERT_TRUE(emulator.selectItems({folder}));
    user.queueDialog([](host::DialogRequest&) { return 7; });  // OK: into date folders
    EXPECT_EQ(emulator.pressKey(VK_F5), 1);
    expectShotAtTwelveThirtyFour(disk.windowsPath(
        folder + "\\pic17." + (GetParam().month == 1 ? "01" : "07") + ".2002_001.jpg"));
}

INSTANTIATE_TEST_SUITE_P(EastAndWestOfUtc, APictureShotInAZone, ::testing::ValuesIn(ZONES),
                         [](const ::testing::TestParamInfo<ZoneRow>& param) {
                             return std::string(param.param.situation);
                         });
#endif

TEST_F(TheHostAsksForThreePictures, ALongDestinationIsShortenedOnlyOnScreen) {
    const std::string deep = disk.path() + "/" + std::string(70, 'd');
    std::filesystem::create_directory(deep);
    ASSERT_TRUE(emulator.setDiskDirectory(deep));
    ASSERT_TRUE(emulator.setCurrentItem(pictureNames()[1]));
    EXPECT_EQ(emulator.getFiles(), 1);
    EXPECT_EQ(readFileBytes(deep + "/pic17.05.2002_002.jpg"), expected(1));
    ASSERT_FALSE(user.boxes.empty());
    for (const host::BoxRecord& box : user.boxes) EXPECT_LE(box.lines.at(0).size(), 60u);
}

TEST_F(TheHostAsksForThreePictures, DateFolderItemsArePassedOver) {
    EXPECT_TRUE(getFiles({pictures()[0], folderItem}));
    EXPECT_FALSE(fileExists(disk.windowsPath(folderItem.FindData.cFileName)));
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_001.jpg")), expected(0));
    // The last picture, not the folder behind it, ended the series.
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_TRUE(everyScreenRestoredOnce());
}

TEST_F(TheHostAsksForThreePictures, AnUnknownPictureStopsSilentlyWithTheScreenRestored) {
    std::vector<PluginPanelItem> items = {pictures()[0]};
    items[0].UserData = 99;
    const int savedBefore = emulator.screensSaved();
    EXPECT_FALSE(getFiles(items));
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_EQ(emulator.screensSaved(), savedBefore + 1);
    EXPECT_TRUE(everyScreenRestoredOnce());
}

TEST_F(TheHostAsksForThreePictures, AnExistingTargetStopsWithAReportAndIsKept) {
    std::ofstream(nativePath(disk.windowsPath("pic17.05.2002_002.jpg"))) << "mine";
    ASSERT_TRUE(emulator.selectItems(pictureNames()));
    EXPECT_EQ(emulator.getFiles(), 0);
    const auto reports = boxesWithTopic("Errors");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].lines.at(1), "status 0 error 0 operation 9");
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_002.jpg")),
              (std::vector<BYTE>{'m', 'i', 'n', 'e'}));
    EXPECT_FALSE(fileExists(disk.windowsPath("pic17.05.2002_003.jpg")));
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
}

TEST_F(TheHostAsksForThreePictures, ABrokenTransferStopsWithAReport) {
    camera.addFault({sim::FaultKind::Silence, sim::CommandMatch::requestData(sim::REG_PHOTO_DATA),
                     sim::FAULT_FOREVER});
    ASSERT_TRUE(emulator.selectItems(pictureNames()));
    EXPECT_EQ(emulator.getFiles(), 0);
    const auto reports = boxesWithTopic("Errors");
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports[0].lines.at(1).find("operation 4"), std::string::npos);
    EXPECT_EQ(filesOnDisk(), 0u) << "no partial file is left";
}

TEST_F(TheHostAsksForThreePictures, APictureTheCameraWillNotSelectIsSkippedSilently) {
    camera.addFault(
        {sim::FaultKind::Refuse, sim::CommandMatch::setRegister(sim::REG_CURRENT_PICTURE)});
    ASSERT_TRUE(emulator.selectItems(pictureNames()));
    EXPECT_EQ(emulator.getFiles(), 1);
    EXPECT_TRUE(boxesWithTopic("Errors").empty());
    EXPECT_FALSE(fileExists(disk.windowsPath("pic17.05.2002_001.jpg")));
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_002.jpg")), expected(1));
    EXPECT_EQ(readFileBytes(disk.windowsPath("pic17.05.2002_003.jpg")), expected(2));
}

// Thumbnails: the thumbnail codes stop the request as the picture codes do.
class TheHostAsksForThumbnails : public TheHostAsksForThreePictures {
protected:
    void SetUp() override {
        ASSERT_TRUE(startAndOpen()) << emulator.errorText;
        ASSERT_EQ(emulator.pressKey(VK_F7), 1);  // thumbnails have no folders: all at the root
        ASSERT_TRUE(emulator.selectItems(pictureNames()));
        user.boxes.clear();
    }
};

TEST_F(TheHostAsksForThumbnails, ABrokenThumbnailTransferStopsWithCode5) {
    camera.addFault({sim::FaultKind::Silence, sim::CommandMatch::requestData(sim::REG_THUMB_DATA),
                     sim::FAULT_FOREVER});
    EXPECT_EQ(emulator.getFiles(), 0);
    const auto reports = boxesWithTopic("Errors");
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(reports[0].lines.at(1).ends_with("operation 5")) << reports[0].lines.at(1);
    EXPECT_EQ(filesOnDisk(), 0u);
}

TEST_F(TheHostAsksForThumbnails, AnExistingThumbnailStopsWithCode11AndIsKept) {
    std::ofstream(nativePath(disk.windowsPath("thumb17.05.2002_001.jpg"))) << "mine";
    EXPECT_EQ(emulator.getFiles(), 0);
    const auto reports = boxesWithTopic("Errors");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].lines.at(1), "status 0 error 0 operation 11");
    EXPECT_EQ(readFileBytes(disk.windowsPath("thumb17.05.2002_001.jpg")),
              (std::vector<BYTE>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(filesOnDisk(), 1u);
}

}  // namespace
}  // namespace pixlor::test
