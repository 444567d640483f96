#include "panel/PanelListing.h"
#include "plugin/EntryPoints.h"
#include "plugin/PanelKeys.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace pixlor::test {
namespace {

class PicturesOfMay17And18 : public HostWithCamera {
protected:
    PicturesOfMay17And18()
        : HostWithCamera({PictureOn(2002, 5, 17, 1000, 100), PictureOn(2002, 5, 17, 2000, 200),
                          PictureOn(2002, 5, 17, 3000, 300), PictureOn(2002, 5, 18, 4000, 400)},
                         NumberedTexts()) {}
    void SetUp() override { ASSERT_TRUE(startAndOpen()) << emulator.errorText; }
};

TEST_F(PicturesOfMay17And18, NamesInsideAFolderContinueTheOtherPanelsNumbers) {
    std::ofstream(disk.path() + "/pic17.05.2002_004.jpg") << "x";
    std::ofstream(disk.path() + "/PIC17.05.2002_09.JPG") << "x";
    ASSERT_TRUE(emulator.setDiskDirectory(disk.path()));
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    const auto items = listing();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_STREQ(items[0].FindData.cFileName, "pic17.05.2002_005.jpg");
    EXPECT_STREQ(items[1].FindData.cFileName, "pic17.05.2002_006.jpg");
    EXPECT_STREQ(items[2].FindData.cFileName, "pic17.05.2002_007.jpg");
    EXPECT_STREQ(items[2].FindData.cAlternateFileName, "003");
    EXPECT_EQ(DWORD{items[1].FindData.dwFileAttributes}, DWORD{FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(DWORD{items[1].FindData.nFileSizeLow}, 2000u);
    EXPECT_EQ(DWORD{items[1].PackSize}, 2000u);
    EXPECT_EQ(DWORD_PTR{items[1].UserData}, 1u);
    EXPECT_EQ(panel()->listingState, LISTING_IN_FOLDER);
}

// Each date's name is numbered on its own, as the copy into the other panel's folder does.
TEST_F(PicturesOfMay17And18, AFlatRootNumbersEachDatesNamesOnTheirOwn) {
    setText("PhotoPath", "");
    listing();
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"pic17.05.2002_001.jpg", "pic17.05.2002_002.jpg",
                                        "pic17.05.2002_003.jpg", "pic18.05.2002_001.jpg"}));
    EXPECT_EQ(panel()->listingState, LISTING_FLAT_ROOT);
    EXPECT_EQ(emulator.panelDescription().flags & OPIF_ADDDOTS, 0u);
}

TEST_F(PicturesOfMay17And18, TheDigitCountSettingShapesNamesAndShortNames) {
    setText("PhotoPath", "");
    setNumber("PhotoSuffix", 5);
    const auto items = listing();
    EXPECT_STREQ(items[0].FindData.cFileName, "pic17.05.2002_00001.jpg");
    EXPECT_STREQ(items[3].FindData.cAlternateFileName, "00004");
}

TEST_F(PicturesOfMay17And18, AnOutOfRangeDigitCountIsClampedNotWrittenIntoAFormat) {
    setText("PhotoPath", "");
    setNumber("PhotoSuffix", 40);
    const auto items = listing();
    EXPECT_STREQ(items[0].FindData.cFileName, "pic17.05.2002_000000001.jpg");
    EXPECT_STREQ(items[0].FindData.cAlternateFileName, "000000001");
}

TEST_F(PicturesOfMay17And18, ThumbnailsListThumbnailSizesAndNames) {
    setText("ThumbPath", "");
    ASSERT_EQ(emulator.pressKey(VK_F7), 1);
    const auto items = emulator.pluginPanel().items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_STREQ(items[3].FindData.cFileName, "thumb18.05.2002_001.jpg");
    EXPECT_EQ(DWORD{items[3].FindData.nFileSizeLow}, 400u);
}

TEST_F(PicturesOfMay17And18, APrefixTooLongForTheNameGivesWayToTheNumberAndExtension) {
    setText("PhotoPath", "");
    setText("PhotoPrefix", std::string(256, 'p'));
    const auto items = listing();
    ASSERT_EQ(items.size(), 4u);
    const std::string name = items[3].FindData.cFileName;
    EXPECT_EQ(name.size(), sizeof(items[3].FindData.cFileName) - 1);
    EXPECT_EQ(name, std::string(252, 'p') + "004.jpg");  // one prefix: one run of numbers
}

TEST_F(PicturesOfMay17And18, AFolderPatternMatchingNoPictureListsNothing) {
    ASSERT_TRUE(emulator.enterFolder("02-05-18"));
    panel()->thumbMode = 1;  // the thumbnail pattern names no such folder
    PluginPanelItem* items = reinterpret_cast<PluginPanelItem*>(1);
    int count = -1;
    GetFindData(*panel(), items, count);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(PicturesOfMay17And18, SelectedFoldersGiveTheirPicturesFolderByFolder) {
    const auto folders = listing();
    const PluginPanelItem selected[] = {folders[1], folders[0]};
    PanelInfo info{};
    info.SelectedItems = const_cast<PluginPanelItem*>(selected);
    info.SelectedItemsNumber = 2;
    SelectionList selection{{{}, 77}};  // a stale list is replaced
    std::uint32_t count = 0;
    CollectSelection(*panel(), info, selection, "%2Y-%2M-%2D", " ", count);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(selection[0].position, 3u);
    EXPECT_EQ(selection[1].position, 0u);
    EXPECT_EQ(selection[3].position, 2u);
}

TEST_F(PicturesOfMay17And18, SelectedPicturesComeInSelectionOrderWithTheirTimes) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    const auto pictures = listing();
    const PluginPanelItem selected[] = {pictures[2], pictures[0]};
    PanelInfo info{};
    info.SelectedItems = const_cast<PluginPanelItem*>(selected);
    info.SelectedItemsNumber = 2;
    SelectionList selection;
    std::uint32_t count = 0;
    CollectSelection(*panel(), info, selection, "%2Y-%2M-%2D", " ", count);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(selection[0].position, 2u);
    EXPECT_EQ(selection[1].position, 0u);
    EXPECT_EQ(
        std::memcmp(&selection[0].fileTime, &pictures[2].FindData.ftCreationTime, sizeof(FILETIME)),
        0);
}

TEST_F(PicturesOfMay17And18, AddFolderPicturesCountsTheWholeListItExtends) {
    SelectionList selection;
    std::uint32_t count = 0;
    AddFolderPictures(*panel(), "02-05-18", "%2Y-%2M-%2D", selection, count);
    AddFolderPictures(*panel(), "", "%2Y-%2M-%2D", selection, count);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(selection[0].position, 3u);
    EXPECT_EQ(selection[1].position, 0u);
}

}  // namespace
}  // namespace pixlor::test
