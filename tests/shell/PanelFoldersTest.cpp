#include "far/MessageNumbers.h"
#include "panel/CameraPanel.h"
#include "panel/PanelListing.h"
#include "platform/Calendar.h"
#include "plugin/EntryPoints.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

namespace pixlor::test {
namespace {

FILETIME DosTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                 unsigned second) {
    FILETIME time{};
    dosDateTimeToFileTime(static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day),
                          static_cast<WORD>((hour << 11) | (minute << 5) | (second / 2)), &time);
    return time;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

class PicturesOfTwoDays : public HostWithCamera {
protected:
    PicturesOfTwoDays()
        : HostWithCamera({PictureOn(2002, 5, 17, 1000, 100, 9, 30, 7),
                          PictureOn(2002, 5, 17, 2000, 200, 18, 0, 0),
                          PictureOn(2002, 5, 18, 4000, 400, 8, 0, 0)},
                         NumberedTexts()) {}
    void SetUp() override { ASSERT_TRUE(startAndOpen()) << emulator.errorText; }
};

TEST_F(PicturesOfTwoDays, TheRootListsOneFolderPerDayWithItsTimesAndSize) {
    const auto items = listing();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_STREQ(items[0].FindData.cFileName, "02-05-17");
    EXPECT_STREQ(items[1].FindData.cFileName, "02-05-18");
    EXPECT_EQ(DWORD{items[0].FindData.dwFileAttributes},
              DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(DWORD{items[0].FindData.nFileSizeLow}, 3000u);
    EXPECT_EQ(DWORD{items[0].PackSize}, 3000u);
    EXPECT_TRUE(FILETIME{items[0].FindData.ftCreationTime} == DosTime(2002, 5, 17, 9, 30, 7));
    EXPECT_TRUE(FILETIME{items[0].FindData.ftLastWriteTime} == DosTime(2002, 5, 17, 18, 0, 0));
    EXPECT_STREQ(items[0].FindData.cAlternateFileName, "02-05-17");
    EXPECT_EQ(panel()->listingState, LISTING_FOLDER_ROOT);
}

TEST_F(PicturesOfTwoDays, TheDescriptionShowsNoDotsAtTheRootAndTheFolderInside) {
    listing();
    OpenPluginInfo info{};
    GetOpenPluginInfo(*panel(), info);
    EXPECT_EQ(int{info.StructSize}, static_cast<int>(sizeof(OpenPluginInfo)));
    EXPECT_EQ(DWORD{info.Flags}, 1431u);
    EXPECT_STREQ(info.CurDir, "");
    EXPECT_EQ(std::string(info.PanelTitle), text(MSG_TITLE));
    EXPECT_EQ(std::string(info.Format), text(MSG_MENU_ITEM));
    EXPECT_EQ(int{info.StartSortMode}, SM_NAME);

    ASSERT_TRUE(SetDirectory(*panel(), "02-05-18"));
    GetOpenPluginInfo(*panel(), info);
    EXPECT_EQ(DWORD{info.Flags}, 1439u);
    EXPECT_STREQ(info.CurDir, "02-05-18");
}

TEST_F(PicturesOfTwoDays, TheKeyBarNamesTheCopyKeysOfTheKindShown) {
    OpenPluginInfo info{};
    GetOpenPluginInfo(*panel(), info);
    const KeyBarTitles& bar = *info.KeyBar;
    EXPECT_EQ(bar.Titles[0], nullptr);
    EXPECT_EQ(bar.Titles[11], nullptr);
    EXPECT_EQ(std::string(bar.Titles[2]), text(MSG_KEY_F3_VIEW));
    EXPECT_EQ(std::string(bar.Titles[3]), text(MSG_KEY_F4_EDIT));
    EXPECT_EQ(std::string(bar.Titles[7]), text(MSG_KEY_F8_DELETE));
    EXPECT_STREQ(bar.ShiftTitles[2], "");
    EXPECT_STREQ(bar.AltShiftTitles[7], "");
    EXPECT_STREQ(bar.ShiftTitles[6], "");
    EXPECT_EQ(std::string(bar.Titles[4]), text(4));
    EXPECT_EQ(std::string(bar.CtrlAltTitles[4]), text(10));
    EXPECT_EQ(std::string(bar.CtrlShiftTitles[5]), text(21));
    EXPECT_EQ(std::string(bar.Titles[6]), text(32));

    panel()->thumbMode = 1;
    GetOpenPluginInfo(*panel(), info);
    EXPECT_EQ(std::string(bar.Titles[4]), text(11));
    EXPECT_EQ(std::string(bar.AltTitles[4]), text(15));
    EXPECT_EQ(std::string(bar.CtrlAltTitles[5]), text(31));
    EXPECT_EQ(std::string(bar.Titles[6]), text(33));
}

TEST_F(PicturesOfTwoDays, SetDirectoryEntersAFolderInAnyCaseAndLeavesByDotsOrBackslash) {
    setText("PhotoPath", "day%2D");
    listing();
    EXPECT_TRUE(SetDirectory(*panel(), "DAY17"));
    EXPECT_STREQ(panel()->currentFolder->name, "day17");
    EXPECT_EQ(panel()->listingState, LISTING_IN_FOLDER);
    EXPECT_TRUE(SetDirectory(*panel(), "day18"));  // from one folder straight into another
    EXPECT_STREQ(panel()->currentFolder->name, "day18");
    EXPECT_TRUE(SetDirectory(*panel(), ".."));
    EXPECT_EQ(panel()->currentFolder, nullptr);
    EXPECT_TRUE(SetDirectory(*panel(), "\\"));
    EXPECT_EQ(panel()->currentFolder, nullptr);
    EXPECT_EQ(panel()->listingState, 0);
}

TEST_F(PicturesOfTwoDays, SetDirectoryToAnUnlistedNameFailsAndForgetsTheListingKind) {
    listing();
    ASSERT_TRUE(SetDirectory(*panel(), "02-05-17"));
    EXPECT_FALSE(SetDirectory(*panel(), "02-05-19"));
    EXPECT_STREQ(panel()->currentFolder->name, "02-05-17");
    EXPECT_EQ(panel()->listingState, 0);
}

TEST_F(PicturesOfTwoDays, ThumbnailsAreListedAtTheRootAlsoWithAStoredPatternOfBlanks) {
    panel()->thumbMode = 1;
    for (const char* stored : {"", "   "}) {
        setText("ThumbPath", stored);
        const auto items = listing();
        ASSERT_EQ(items.size(), 3u) << "ThumbPath \"" << stored << '"';
        EXPECT_STREQ(items[0].FindData.cFileName, "thumb17.05.2002_001.jpg");
        EXPECT_EQ(DWORD{items[2].FindData.nFileSizeLow}, 400u);
        EXPECT_EQ(panel()->listingState, LISTING_FLAT_ROOT);
    }
}

TEST_F(PicturesOfTwoDays, AFolderNameTooLongForItsFieldIsCutAndStillFindsItsPictures) {
    // 247 letters and a nine-digit day: 256 characters, one more than a folder name holds.
    setText("PhotoPath", std::string(247, 'a') + "%9D");
    const auto folders = listing();
    ASSERT_EQ(folders.size(), 1u);  // the cut drops the day's last digit: 17 and 18 meet
    EXPECT_EQ(std::string(folders[0].FindData.cFileName), std::string(247, 'a') + "00000001");
    EXPECT_EQ(std::string(folders[0].FindData.cAlternateFileName), std::string(13, 'a'));
    ASSERT_TRUE(SetDirectory(*panel(), folders[0].FindData.cFileName));
    EXPECT_EQ(listing().size(), 3u);
}

class PicturesInMixedOrder : public HostWithCamera {
protected:
    PicturesInMixedOrder()
        : HostWithCamera({PictureOn(2002, 5, 18), PictureOn(2002, 5, 17), PictureOn(2002, 5, 18)},
                         NumberedTexts()) {}
};

TEST_F(PicturesInMixedOrder, FoldersStandInTheOrderOfTheirFirstPicture) {
    ASSERT_TRUE(startAndOpen()) << emulator.errorText;
    // The plug-in's own order, before the host sorts the panel.
    PluginPanelItem* items = nullptr;
    int count = 0;
    GetFindData(*panel(), items, count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(items[0].FindData.cFileName, "02-05-18");
    EXPECT_STREQ(items[1].FindData.cFileName, "02-05-17");
    EXPECT_EQ(DWORD{items[0].FindData.nFileSizeLow}, 6000u);
    FreeFindData(items);
}

class ACameraWithItsClockReset : public HostWithCamera {
protected:
    ACameraWithItsClockReset()
        : HostWithCamera({PictureOn(1970, 1, 1, 1000, 100, 0, 0, 5), PictureOn(1979, 12, 31)},
                         NumberedTexts()) {}
};

TEST_F(ACameraWithItsClockReset, DatesBefore1980GiveTheEarliestDosTimeWhileNamesKeepTheCameraDate) {
    setText("PhotoPath", "");
    ASSERT_TRUE(startAndOpen()) << emulator.errorText;
    const auto items = listing();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(FILETIME{items[0].FindData.ftCreationTime} == DosTime(1980, 1, 1, 0, 0, 0));
    EXPECT_TRUE(FILETIME{items[1].FindData.ftCreationTime} == DosTime(1980, 1, 1, 0, 0, 0));
    EXPECT_STREQ(items[0].FindData.cFileName, "pic01.01.1970_001.jpg");
    EXPECT_STREQ(items[1].FindData.cFileName, "pic31.12.1979_001.jpg");
}

TEST(PictureFileTime, DatesAfter2107GiveTheLatestDosTime) {
    FakeSystemInForce fake;
    PictureEntry entry;
    entry.year = 2120;
    entry.month = 3;
    entry.day = 4;
    EXPECT_TRUE(PictureFileTime(entry) == DosTime(2107, 12, 31, 23, 59, 58));
    entry.year = 2107;
    EXPECT_TRUE(PictureFileTime(entry) == DosTime(2107, 3, 4, 0, 0, 0));
}

}  // namespace
}  // namespace pixlor::test
