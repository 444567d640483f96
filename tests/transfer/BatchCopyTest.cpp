// The batch copy: names and folders of the written files, the progress box, the end of a batch
// on a failure, and the move that follows a copy.
#include "tests/transfer/BatchHost.h"

#include "shell/MessageNumbers.h"
#include "transfer/BatchTransfer.h"

#include <filesystem>
#include <fstream>

namespace pixlor::test {
namespace {

namespace fs = std::filesystem;
using sim::PictureKind;

constexpr char FULL = '\xDB';

int FullCells(const std::string& bar) {
    return static_cast<int>(std::count(bar.begin(), bar.end(), FULL));
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadAll(const std::string& path) {
    const std::vector<unsigned char> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Three pictures of 100 000, 50 000 and 25 000 bytes, shot 2002-07-05, -06 and -07.
class ThreePicturesBatch : public BatchOnSimulatedCamera {
protected:
    ThreePicturesBatch() : BatchOnSimulatedCamera(PicturesOfSizes({100000, 50000, 25000})) {}
};

TEST_F(ThreePicturesBatch, CountsFilesAndBytesAndShowsTheBatchBarAfterTheFirstFile) {
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0, 1, 2})));

    const auto boxes = host.boxesTitled(MSG_COPY_TITLE);
    const auto secondFileStart =
        std::find_if(boxes.begin(), boxes.end(), [](const Box& box) {
            return box.items[2] == "File 2: 0 of 50000 bytes, 0%";
        });
    ASSERT_NE(secondFileStart, boxes.end());
    EXPECT_EQ(secondFileStart->flags, FMSG_LEFTALIGN);
    EXPECT_FALSE(secondFileStart->helpTopic);
    EXPECT_EQ(secondFileStart->items[4], "3 files: 100000 of 175000 bytes, 57%");
    EXPECT_EQ(FullCells(secondFileStart->items[5]), 28);
    EXPECT_EQ(secondFileStart->items[5].size(), 52u);
    EXPECT_EQ(boxes.back().items[4], "3 files: 175000 of 175000 bytes, 100%");
    EXPECT_EQ(FullCells(boxes.back().items[3]), 50);
}

TEST_F(ThreePicturesBatch, WritesEveryPictureUnderTheDefaultNamesIntoItsDateFolder) {
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0, 1, 2})));

    const std::vector<BYTE> first = readFileBytes(onDisk("02-07-05\\pic05.07.2002_001.jpg"));
    EXPECT_EQ(first, expected(1, PictureKind::Photo));
    EXPECT_EQ(readFileBytes(onDisk("02-07-07\\pic07.07.2002_001.jpg")),
              expected(3, PictureKind::Photo));
    EXPECT_TRUE(host.everyScreenRestoredOnce());
    EXPECT_TRUE(host.reports().empty());
}

TEST_F(ThreePicturesBatch, ContinuesTheNumbersAlreadyInTheFolder) {
    fs::create_directory(onDisk("02-07-05"));
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0})));
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0})));

    EXPECT_TRUE(fileExists(onDisk("02-07-05\\pic05.07.2002_001.jpg")));
    EXPECT_EQ(readFileBytes(onDisk("02-07-05\\pic05.07.2002_002.jpg")),
              expected(1, PictureKind::Photo));
}

TEST_F(ThreePicturesBatch, CopiesStraightIntoTheDestinationFromInsideADateFolder) {
    panel->listingState = LISTING_IN_FOLDER;
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_AUTO, false, positions({1})));

    EXPECT_TRUE(fileExists(onDisk("pic06.07.2002_001.jpg")));
    EXPECT_FALSE(fs::exists(onDisk("02-07-06")));
}

TEST_F(ThreePicturesBatch, EndsWithCode15WhenTheDestinationIsMissing) {
    const std::string missing = destination + "gone\\";
    EXPECT_FALSE(BatchCopy(*panel, missing.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_ALWAYS, false, positions({0, 1})));

    ASSERT_EQ(host.reports().size(), 1u);
    EXPECT_TRUE(lastReportLine().ends_with("operation 15")) << lastReportLine();
    EXPECT_FALSE(fs::exists(onDisk("gone")));
    EXPECT_TRUE(host.everyScreenRestoredOnce());
}

TEST_F(ThreePicturesBatch, StopsAtAnExistingTargetWithCode9AndKeepsWhatWasCopied) {
    // After _999 the scan does not see _1000 (four digits), so 1000 is chosen again.
    WriteFile(onDisk("pic06.07.2002_999.jpg"), "old 999");
    WriteFile(onDisk("pic06.07.2002_1000.jpg"), "old 1000");
    EXPECT_FALSE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_NEVER, false, positions({0, 1, 2})));

    EXPECT_TRUE(lastReportLine().ends_with("operation 9")) << lastReportLine();
    EXPECT_EQ(readFileBytes(onDisk("pic05.07.2002_001.jpg")), expected(1, PictureKind::Photo));
    EXPECT_EQ(ReadAll(onDisk("pic06.07.2002_1000.jpg")), "old 1000");
    EXPECT_FALSE(fileExists(onDisk("pic07.07.2002_001.jpg")));
    EXPECT_TRUE(host.everyScreenRestoredOnce());
}

TEST_F(ThreePicturesBatch, AMoveThatEndsEarlyDeletesNothing) {
    WriteFile(onDisk("pic06.07.2002_999.jpg"), "");
    WriteFile(onDisk("pic06.07.2002_1000.jpg"), "");
    EXPECT_FALSE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_NEVER, true, positions({0, 1, 2})));

    EXPECT_EQ(camera.counters().deletes, 0);
    EXPECT_EQ(camera.pictures().size(), 3u);
}

TEST_F(ThreePicturesBatch, AMoveLeavesAPictureThatCouldNotBeSelectedOnTheCamera) {
    // The first selection of the batch is refused: picture 1 is skipped, picture 2 copied.
    camera.addFault({sim::FaultKind::Refuse, sim::CommandMatch::setRegister(4), 1});
    EXPECT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, true, positions({0, 1})));

    EXPECT_TRUE(host.reports().empty());
    EXPECT_FALSE(fileExists(onDisk("pic05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("pic06.07.2002_001.jpg")));
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(camera.speedIndex(), 0u) << "the camera is back at its default speed";
}

TEST_F(ThreePicturesBatch, AMoveDeletesEveryCopiedPicture) {
    EXPECT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, false, true,
                          SUBFOLDERS_NEVER, true, positions({0, 2})));

    EXPECT_TRUE(fileExists(onDisk("thumb05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("thumb07.07.2002_001.jpg")));
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{2}));
}

TEST_F(ThreePicturesBatch, ClearsTheSelectionMarksOnePictureAtATime) {
    host.markPictures({0, 1});
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, nullptr));

    const auto selections = host.commands(FCTL_SETSELECTION);
    ASSERT_EQ(selections.size(), 2u);
    EXPECT_EQ(selections[0].selectedAfter, (std::set<DWORD>{1}));
    EXPECT_TRUE(selections[1].selectedAfter.empty());
    EXPECT_TRUE(fileExists(onDisk("pic05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("pic06.07.2002_001.jpg")));
    const auto& last = host.panelCommands;
    ASSERT_GE(last.size(), 2u);
    EXPECT_EQ(last[last.size() - 2].command, FCTL_UPDATEPANEL);
    EXPECT_EQ(last.back().command, FCTL_REDRAWPANEL);
}

TEST_F(ThreePicturesBatch, LeavesTheMarksAloneWhileTheRootListsFolders) {
    panel->listingState = LISTING_FOLDER_ROOT;
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, positions({0})));
    EXPECT_TRUE(host.commands(FCTL_SETSELECTION).empty());
}

// Two pictures, both kinds.
class BothKindsBatch : public BatchOnSimulatedCamera {
protected:
    BothKindsBatch() : BatchOnSimulatedCamera(PicturesOfSizes({9000, 8000}, 1200)) {
        setText(SETTING_THUMB_PATH, "t%2D");
    }
};

TEST_F(BothKindsBatch, CopiesTheThumbnailBeforeThePictureEachIntoItsOwnFolder) {
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_OWN_FOLDERS, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0, 1})));

    std::vector<std::string> fileStarts;
    for (const Box& box : host.boxesTitled(MSG_COPY_TITLE))
        if (box.items[2].find(": 0 of") != std::string::npos) fileStarts.push_back(box.items[1]);
    ASSERT_EQ(fileStarts.size(), 4u);
    EXPECT_TRUE(fileStarts[0].ends_with("thumb05.07.2002_001.jpg")) << fileStarts[0];
    EXPECT_TRUE(fileStarts[1].ends_with("pic05.07.2002_001.jpg")) << fileStarts[1];
    EXPECT_TRUE(fileStarts[2].ends_with("thumb06.07.2002_001.jpg")) << fileStarts[2];
    EXPECT_TRUE(fileStarts[3].ends_with("pic06.07.2002_001.jpg")) << fileStarts[3];
    EXPECT_EQ(host.boxesTitled(MSG_COPY_TITLE).back().items[4],
              "4 files: 19400 of 19400 bytes, 100%");

    EXPECT_EQ(readFileBytes(onDisk("t05\\thumb05.07.2002_001.jpg")),
              expected(1, PictureKind::Thumbnail));
    EXPECT_EQ(readFileBytes(onDisk("02-07-05\\pic05.07.2002_001.jpg")),
              expected(1, PictureKind::Photo));
    EXPECT_TRUE(fileExists(onDisk("t06\\thumb06.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("02-07-06\\pic06.07.2002_001.jpg")));
}

TEST_F(BothKindsBatch, PutsBothKindsIntoTheFolderTheFolderFlagChooses) {
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_SHARED_FOLDER, true, false,
                          SUBFOLDERS_ALWAYS, false, positions({0})));

    EXPECT_TRUE(fileExists(onDisk("t05\\thumb05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("t05\\pic05.07.2002_001.jpg")));
}

// Names and lines that do not fit.
class OversizedTexts : public BatchOnSimulatedCamera {
protected:
    OversizedTexts() : BatchOnSimulatedCamera(PicturesOfSizes({3000})) {}
};

TEST_F(OversizedTexts, KeepsTheProgressLinesWithinTheirBuffersWhateverTheLanguageFileHolds) {
    host.texts[MSG_COPY_FILE_LINE] = std::string(400, 'x') + " %d %u %u %u%%";
    host.texts[MSG_COPY_BATCH_LINE] = std::string(400, 'y') + " %d %u %u %u%%";
    const std::string deep = destination + std::string(120, 'd') + "\\";
    fs::create_directory(nativePath(deep));
    ASSERT_TRUE(BatchCopy(*panel, deep.c_str(), PAIRING_ONE_KIND, true, true, SUBFOLDERS_NEVER,
                          false, positions({0})));

    const Box& last = host.boxesTitled(MSG_COPY_TITLE).back();
    EXPECT_LE(last.items[1].size(), 52u);
    EXPECT_LT(last.items[2].size(), 128u);
    EXPECT_LT(last.items[4].size(), 128u);
    EXPECT_TRUE(fileExists(nativePath(deep + "pic05.07.2002_001.jpg")));
}

TEST_F(OversizedTexts, AFileNameTooLongForTheSystemEndsTheBatchWithCode9) {
    setText(SETTING_PHOTO_PREFIX, std::string(256, 'n').c_str());
    EXPECT_FALSE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_NEVER, false, positions({0})));
    EXPECT_TRUE(lastReportLine().ends_with("operation 9")) << lastReportLine();
}

TEST_F(OversizedTexts, ShowsZeroBytesOfNothingAsComplete) {
    ASSERT_TRUE(BatchCopy(*panel, destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, positions({})));
    CopyProgress(0, 0);
    const Box& box = host.boxes.back();
    EXPECT_TRUE(box.items[2].ends_with(", 100%")) << box.items[2];
    EXPECT_EQ(box.items[4], "0 files: 0 of 0 bytes, 100%");
    EXPECT_EQ(FullCells(box.items[3]), 50);
    EXPECT_EQ(FullCells(box.items[5]), 50);
}

TEST_F(OversizedTexts, TheSingleFileBoxShowsItsPercentageAndAShortenedName) {
    const std::string longName = "C:\\" + std::string(200, 'f') + "\\pic.jpg";
    SetFileProgressLines("M61", longName.c_str());
    FileProgress(0, 0);
    FileProgress(1, 2);
    ASSERT_GE(host.boxes.size(), 2u);
    const Box& empty = host.boxes[host.boxes.size() - 2];
    const Box& half = host.boxes.back();
    EXPECT_EQ(empty.items[2], "100%");
    EXPECT_EQ(half.items, (std::vector<std::string>{"M61", half.items[1], "50%"}));
    EXPECT_LE(half.items[1].size(), 60u);
    EXPECT_TRUE(half.items[1].ends_with("pic.jpg"));
    EXPECT_EQ(half.flags, 0u);
}

}  // namespace
}  // namespace pixlor::test
