// The batch copy: names and folders of the written files, the progress box, the end of a batch
// on a failure, and the move that follows a copy.
#include "tests/transfer/BatchFixture.h"

#include "device/PictureFile.h"
#include "far/MessageNumbers.h"
#include "transfer/BatchSteps.h"
#include "transfer/BatchTransfer.h"

#include <cstdio>
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
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0, 1, 2})));

    const auto boxes = boxesTitled(MSG_COPY_TITLE);
    const auto secondFileStart = std::find_if(
        boxes.begin(), boxes.end(),
        [](const host::BoxRecord& box) { return box.lines[1] == "File 2: 0 of 50000 bytes, 0%"; });
    ASSERT_NE(secondFileStart, boxes.end());
    EXPECT_EQ(secondFileStart->flags, FMSG_LEFTALIGN);
    EXPECT_TRUE(secondFileStart->helpTopic.empty());
    EXPECT_EQ(secondFileStart->lines[3], "3 files: 100000 of 175000 bytes, 57%");
    EXPECT_EQ(FullCells(secondFileStart->lines[4]), 28);
    EXPECT_EQ(secondFileStart->lines[4].size(), 52u);
    EXPECT_EQ(boxes.back().lines[3], "3 files: 175000 of 175000 bytes, 100%");
    EXPECT_EQ(FullCells(boxes.back().lines[2]), 50);

    // The last line: the batch's rate so far and the time its remaining 75 000 bytes take at it,
    // no wider than the bars; before the first packet there is no rate to tell.
    EXPECT_EQ(boxes.front().lines.at(5), text(MSG_COPY_RATE_UNKNOWN));
    ASSERT_EQ(secondFileStart->lines.size(), 6u);
    unsigned rate = 0, minutes = 0, seconds = 0;
    ASSERT_EQ(std::sscanf(secondFileStart->lines[5].c_str(), "%u bytes/s, %u:%u left", &rate,
                          &minutes, &seconds),
              3)
        << secondFileStart->lines[5];
    EXPECT_LE(secondFileStart->lines[5].size(), secondFileStart->lines[4].size());
    EXPECT_GT(rate, 115200u / 10 / 2) << "the wake-up's pauses count, the line is 11 520 B/s";
    EXPECT_LE(rate, 115200u / 10) << "faster than the line";
    const unsigned left = minutes * 60 + seconds;
    EXPECT_GE(left, 75000 / rate);
    EXPECT_LE(left, 75000 / rate + 1);
    EXPECT_TRUE(boxes.back().lines[5].ends_with(" 0:00 left")) << boxes.back().lines[5];
}

TEST_F(ThreePicturesBatch, WritesEveryPictureUnderTheDefaultNamesIntoItsDateFolder) {
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0, 1, 2})));

    const std::vector<BYTE> first = readFileBytes(onDisk("02-07-05\\pic05.07.2002_001.jpg"));
    EXPECT_EQ(first, expected(0, PictureKind::Photo));
    EXPECT_EQ(readFileBytes(onDisk("02-07-07\\pic07.07.2002_001.jpg")),
              expected(2, PictureKind::Photo));
    EXPECT_TRUE(everyScreenRestoredOnce());
    EXPECT_TRUE(reports().empty());
}

TEST_F(ThreePicturesBatch, ContinuesTheNumbersAlreadyInTheFolder) {
    fs::create_directory(onDisk("02-07-05"));
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0})));
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0})));

    EXPECT_TRUE(fileExists(onDisk("02-07-05\\pic05.07.2002_001.jpg")));
    EXPECT_EQ(readFileBytes(onDisk("02-07-05\\pic05.07.2002_002.jpg")),
              expected(0, PictureKind::Photo));
}

TEST_F(ThreePicturesBatch, CopiesStraightIntoTheDestinationFromInsideADateFolder) {
    panel()->listingState = LISTING_IN_FOLDER;
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_AUTO, false, positions({1})));

    EXPECT_TRUE(fileExists(onDisk("pic06.07.2002_001.jpg")));
    EXPECT_FALSE(fs::exists(onDisk("02-07-06")));
}

TEST_F(ThreePicturesBatch, EndsWithCode15WhenTheDestinationIsMissing) {
    const std::string missing = destination + "gone\\";
    EXPECT_FALSE(BatchCopy(*panel(), missing.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_ALWAYS, false, positions({0, 1})));

    ASSERT_EQ(reports().size(), 1u);
    EXPECT_TRUE(lastReportLine().ends_with("operation 15")) << lastReportLine();
    EXPECT_FALSE(fs::exists(onDisk("gone")));
    EXPECT_TRUE(everyScreenRestoredOnce());
}

// The camera on the line, and someone who saves a file of their own under `name` while the
// first photo is on its way.
class NameTakenDuringTheTransfer : public CameraPeer {
public:
    NameTakenDuringTheTransfer(sim::CameraModel& camera, std::string name)
        : CameraPeer(camera), name_(std::move(name)) {}
    void hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& reply) override {
        if (!done_ && count >= 6 &&
            sim::CommandMatch::requestData(sim::REG_PHOTO_DATA).matches(bytes[4], bytes[5])) {
            WriteFile(name_, "theirs");
            done_ = true;
        }
        CameraPeer::hostSent(bytes, count, hostBaud, reply);
    }

private:
    std::string name_;
    bool done_ = false;
};

class ThreePicturesAndAnotherWriter : public ThreePicturesBatch {
protected:
    ThreePicturesAndAnotherWriter() { fake.system.attachPort(2, &line); }
    NameTakenDuringTheTransfer line{camera, onDisk("pic05.07.2002_001.jpg")};
};

TEST_F(ThreePicturesAndAnotherWriter, ANameTakenMeanwhileGivesTheNextNumberAndIsKept) {
    // Numbers that outgrew their digits are found again: after _1000 comes _1001.
    WriteFile(onDisk("pic06.07.2002_999.jpg"), "old 999");
    WriteFile(onDisk("pic06.07.2002_1000.jpg"), "old 1000");
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, positions({0, 1, 2})));

    EXPECT_TRUE(reports().empty()) << lastReportLine();
    EXPECT_EQ(ReadAll(onDisk("pic05.07.2002_001.jpg")), "theirs");
    EXPECT_EQ(readFileBytes(onDisk("pic05.07.2002_002.jpg")), expected(0, PictureKind::Photo));
    EXPECT_EQ(ReadAll(onDisk("pic06.07.2002_1000.jpg")), "old 1000");
    EXPECT_EQ(readFileBytes(onDisk("pic06.07.2002_1001.jpg")), expected(1, PictureKind::Photo));
    EXPECT_EQ(readFileBytes(onDisk("pic07.07.2002_001.jpg")), expected(2, PictureKind::Photo));
    EXPECT_EQ(fs::directory_iterator(disk.path()) == fs::directory_iterator(), false);
    for (const auto& entry : fs::directory_iterator(disk.path()))
        EXPECT_FALSE(IsPartialFileName(entry.path().filename().string().c_str())) << entry.path();
    EXPECT_TRUE(everyScreenRestoredOnce());
}

TEST_F(ThreePicturesBatch, AMoveThatEndsEarlyDeletesNothingAndLeavesNoPartialFile) {
    fake.system.failCall(SysCall::MoveFileExA, 2, 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_NEVER, true, positions({0, 1, 2})));

    EXPECT_TRUE(lastReportLine().ends_with("operation 9")) << lastReportLine();
    EXPECT_EQ(camera.counters().deletes, 0);
    EXPECT_EQ(camera.pictures().size(), 3u);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(disk.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"pic05.07.2002_001.jpg"});
}

TEST_F(ThreePicturesBatch, AMoveLeavesAPictureThatCouldNotBeSelectedOnTheCamera) {
    // The first selection of the batch is refused: picture 1 is skipped, picture 2 copied.
    camera.addFault({sim::FaultKind::Refuse, sim::CommandMatch::setRegister(4), 1});
    EXPECT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, true, positions({0, 1})));

    EXPECT_TRUE(reports().empty());
    EXPECT_FALSE(fileExists(onDisk("pic05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("pic06.07.2002_001.jpg")));
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(camera.speedIndex(), 0u) << "the camera is back at its default speed";
}

TEST_F(ThreePicturesBatch, AMoveDeletesEveryPictureWhosePhotoWasCopied) {
    EXPECT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, true, positions({0, 2})));

    EXPECT_TRUE(fileExists(onDisk("pic05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("pic07.07.2002_001.jpg")));
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{2}));
}

TEST_F(ThreePicturesBatch, AMoveOfThumbnailsAloneCopiesThemAndDeletesNothing) {
    EXPECT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, false, true,
                          SUBFOLDERS_NEVER, true, positions({0, 2})));

    EXPECT_TRUE(fileExists(onDisk("thumb05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("thumb07.07.2002_001.jpg")));
    EXPECT_EQ(idsOnCamera(), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(camera.counters().deletes, 0);
}

TEST_F(ThreePicturesBatch, ClearsTheSelectionMarksOnePictureAtATime) {
    markPictures({0, 1});
    const std::string second = nameAt(1);
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, nullptr));

    const auto selections = emulator.controls(FCTL_SETSELECTION);
    ASSERT_EQ(selections.size(), 2u);
    EXPECT_EQ(selections[0].markedAfter, (std::vector<std::string>{second}));
    EXPECT_TRUE(selections[1].markedAfter.empty());
    EXPECT_TRUE(fileExists(onDisk("pic05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("pic06.07.2002_001.jpg")));
    const std::vector<host::ControlRecord> last = emulator.controls();
    ASSERT_GE(last.size(), 2u);
    EXPECT_EQ(last[last.size() - 2].command, FCTL_UPDATEPANEL);
    EXPECT_EQ(last.back().command, FCTL_REDRAWPANEL);
}

TEST_F(ThreePicturesBatch, LeavesTheMarksAloneWhileTheRootListsFolders) {
    panel()->listingState = LISTING_FOLDER_ROOT;
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, positions({0})));
    EXPECT_TRUE(emulator.controls(FCTL_SETSELECTION).empty());
}

// Two pictures, both kinds.
class BothKindsBatch : public BatchOnSimulatedCamera {
protected:
    BothKindsBatch() : BatchOnSimulatedCamera(PicturesOfSizes({9000, 8000}, 1200)) {
        setText(SETTING_THUMB_PATH, "t%2D");
    }
};

TEST_F(BothKindsBatch, CopiesTheThumbnailBeforeThePictureEachIntoItsOwnFolder) {
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_OWN_FOLDERS, true, true,
                          SUBFOLDERS_ALWAYS, false, positions({0, 1})));

    std::vector<std::string> fileStarts;
    for (const host::BoxRecord& box : boxesTitled(MSG_COPY_TITLE))
        if (box.lines[1].find(": 0 of") != std::string::npos) fileStarts.push_back(box.lines[0]);
    ASSERT_EQ(fileStarts.size(), 4u);
    EXPECT_TRUE(fileStarts[0].ends_with("thumb05.07.2002_001.jpg")) << fileStarts[0];
    EXPECT_TRUE(fileStarts[1].ends_with("pic05.07.2002_001.jpg")) << fileStarts[1];
    EXPECT_TRUE(fileStarts[2].ends_with("thumb06.07.2002_001.jpg")) << fileStarts[2];
    EXPECT_TRUE(fileStarts[3].ends_with("pic06.07.2002_001.jpg")) << fileStarts[3];
    EXPECT_EQ(boxesTitled(MSG_COPY_TITLE).back().lines[3], "4 files: 19400 of 19400 bytes, 100%");

    EXPECT_EQ(readFileBytes(onDisk("t05\\thumb05.07.2002_001.jpg")),
              expected(0, PictureKind::Thumbnail));
    EXPECT_EQ(readFileBytes(onDisk("02-07-05\\pic05.07.2002_001.jpg")),
              expected(0, PictureKind::Photo));
    EXPECT_TRUE(fileExists(onDisk("t06\\thumb06.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("02-07-06\\pic06.07.2002_001.jpg")));
}

TEST_F(BothKindsBatch, PutsBothKindsIntoTheFolderTheFolderFlagChooses) {
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_SHARED_FOLDER, true, false,
                          SUBFOLDERS_ALWAYS, false, positions({0})));

    EXPECT_TRUE(fileExists(onDisk("t05\\thumb05.07.2002_001.jpg")));
    EXPECT_TRUE(fileExists(onDisk("t05\\pic05.07.2002_001.jpg")));
}

// Names and lines that do not fit.
class OversizedTexts : public BatchOnSimulatedCamera {
protected:
    OversizedTexts() : BatchOnSimulatedCamera(PicturesOfSizes({3000})) {}
};

// A language file whose progress lines are far longer than their boxes.
class OversizedLanguageTexts : public BatchOnSimulatedCamera {
protected:
    OversizedLanguageTexts()
        : BatchOnSimulatedCamera(
              PicturesOfSizes({3000}),
              BatchSetup({{MSG_COPY_FILE_LINE, std::string(400, 'x') + " %d %u %u %u%%"},
                          {MSG_COPY_BATCH_LINE, std::string(400, 'y') + " %d %u %u %u%%"}})) {}
};

TEST_F(OversizedLanguageTexts,
       KeepsTheProgressLinesWithinTheirBuffersWhateverTheLanguageFileHolds) {
    const std::string deep = destination + std::string(120, 'd') + "\\";
    fs::create_directory(nativePath(deep));
    ASSERT_TRUE(BatchCopy(*panel(), deep.c_str(), PAIRING_ONE_KIND, true, true, SUBFOLDERS_NEVER,
                          false, positions({0})));

    const host::BoxRecord last = boxesTitled(MSG_COPY_TITLE).back();
    EXPECT_LE(last.lines[0].size(), 52u);
    EXPECT_LT(last.lines[1].size(), 128u);
    EXPECT_LT(last.lines[3].size(), 128u);
    EXPECT_TRUE(fileExists(nativePath(deep + "pic05.07.2002_001.jpg")));
}

// A hand-edited language file whose progress lines ask for a text and a write-back.
class HostileProgressTexts : public BatchOnSimulatedCamera {
protected:
    HostileProgressTexts()
        : BatchOnSimulatedCamera(PicturesOfSizes({3000}),
                                 BatchSetup({{MSG_COPY_FILE_LINE, "%s of %n"},
                                             {MSG_COPY_BATCH_LINE, "%d %d %d %d %d"}})) {}
};

TEST_F(HostileProgressTexts, ShowTheNumbersAloneInsteadOfFollowingTheirFormats) {
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, positions({0})));
    const host::BoxRecord last = boxesTitled(MSG_COPY_TITLE).back();
    EXPECT_EQ(last.lines[1], "1 3000 3000 100");
    EXPECT_EQ(last.lines[3], "1 3000 3000 100");
}

TEST_F(OversizedTexts, AFileNameTooLongForTheSystemEndsTheBatchWithCode9) {
    setText(SETTING_PHOTO_PREFIX, std::string(256, 'n').c_str());
    EXPECT_FALSE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                           SUBFOLDERS_NEVER, false, positions({0})));
    EXPECT_TRUE(lastReportLine().ends_with("operation 9")) << lastReportLine();
}

TEST_F(OversizedTexts, ShowsZeroBytesOfNothingAsComplete) {
    ASSERT_TRUE(BatchCopy(*panel(), destination.c_str(), PAIRING_ONE_KIND, true, true,
                          SUBFOLDERS_NEVER, false, positions({})));
    CopyProgress(0, 0);
    const host::BoxRecord& box = user.boxes.back();
    EXPECT_TRUE(box.lines[1].ends_with(", 100%")) << box.lines[1];
    EXPECT_EQ(box.lines[3], "0 files: 0 of 0 bytes, 100%");
    EXPECT_EQ(FullCells(box.lines[2]), 50);
    EXPECT_EQ(FullCells(box.lines[4]), 50);
}

TEST_F(OversizedTexts, TheSingleFileBoxShowsItsPercentageAndAShortenedName) {
    const std::string longName = "C:\\" + std::string(200, 'f') + "\\pic.jpg";
    SetFileProgressLines("M61", longName.c_str());
    FileProgress(0, 0);
    FileProgress(1, 2);
    ASSERT_GE(user.boxes.size(), 2u);
    const host::BoxRecord& empty = user.boxes[user.boxes.size() - 2];
    const host::BoxRecord& half = user.boxes.back();
    EXPECT_EQ(empty.lines[1], "100%");
    EXPECT_EQ(BoxTexts(half), (std::vector<std::string>{"M61", half.lines[0], "50%"}));
    EXPECT_LE(half.lines[0].size(), 60u);
    EXPECT_TRUE(half.lines[0].ends_with("pic.jpg"));
    EXPECT_EQ(half.flags, 0u);
}

}  // namespace
}  // namespace pixlor::test
