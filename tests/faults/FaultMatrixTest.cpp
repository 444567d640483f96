// Every failure the panel, the link, the device, the batch copy and the batch delete know of,
// made to happen by the simulated camera or by the test system, one row a situation: what the
// user is shown, what is left on disk and on the camera, and that the next operation works once
// the fault is gone.
#include "tests/faults/FaultRig.h"

#include <algorithm>
#include <functional>
#include <ostream>

namespace pixlor::test {
namespace {

using sim::CommandMatch;
using sim::FaultKind;

enum class Act {
    Open,            // the panel is opened with the fault in place
    OpenSecond,      // a second panel while one is open
    Copy,            // F5 of every date folder
    CopyThumbnails,  // Shift+F5: thumbnails
    CopyCancelled,   // F5, the dialog cancelled
    Move,            // F6 of every date folder, with the row's shift keys and view
    Delete,          // F8 of the folder `target`, or of every folder
    DeleteDeclined,  // F8 answered with Cancel
    GetFiles,        // the host's own copy of the pictures in folder 02-05-17
};

// How the user gets going again once the fault has cleared; never by switching the camera off
// and on: a camera left at a fast speed is found there.
enum class Recovery {
    SamePanel,      // the next operation on the same panel
    Reopen,         // the panel closed and opened again
    RestartHost,    // the file manager started again
};

struct Numbers {
    std::uint32_t flags;
    int link;
    int operation;
};

struct FaultRow {
    const char* situation;
    Act act;
    std::function<void(FaultRig&)> inject;
    std::vector<Numbers> reports;    // the camera-failure boxes, in order
    int filesCopied;                 // complete picture files on disk afterwards
    int picturesLeft;                // on the camera
    DWORD cameraBaud;                // the camera's speed afterwards
    Recovery recovery;
    std::string destination = "";    // copy target below the disk folder; "" = the folder itself
    std::string target = "";         // the folder F8 deletes; "" = all
    const char* refusalTopic = "";   // the help topic of the last box, a refusal or a notice
    int result = 1;                  // GetFiles' answer
    unsigned keys = 0;               // F5 and F6: the shift state
    bool thumbnailView = false;      // F5 and F6: pressed after F7
};

// A row reads as its situation in test names and failure messages.
void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.situation; }

sim::Fault On(FaultKind kind, CommandMatch match, int times = 1, int packet = -1, int value = 0) {
    return {kind, match, times, packet, value};
}
std::function<void(FaultRig&)> Camera(sim::Fault fault) {
    return [fault](FaultRig& rig) { rig.camera.addFault(fault); };
}
std::function<void(FaultRig&)> AfterCommands(int skip, sim::Fault fault) {
    return [skip, fault](FaultRig& rig) { rig.line.armAfter(skip, fault); };
}
std::function<void(FaultRig&)> System(SysCall call, int nth = 1, DWORD error = ERROR_GEN_FAILURE,
                                      FaultTarget target = FaultTarget::Any) {
    return [=](FaultRig& rig) { rig.fake.system.failCall(call, nth, 1, error, target); };
}
std::function<void(FaultRig&)> Nothing() {
    return [](FaultRig&) {};
}

const auto COUNT = CommandMatch::getRegister(sim::REG_PICTURE_COUNT);
const auto SPEED = CommandMatch::setRegister(sim::REG_SPEED);
const auto SELECT = CommandMatch::setRegister(sim::REG_CURRENT_PICTURE);
const auto INFO = CommandMatch::requestData(sim::REG_PICTURE_INFO);
const auto PHOTO = CommandMatch::requestData(sim::REG_PHOTO_DATA);
const auto DELETE_LAST = CommandMatch::action(sim::ACTION_DELETE_LAST);
const auto DELETE_CURRENT = CommandMatch::action(sim::ACTION_DELETE_CURRENT);
constexpr DWORD SLOW = 19200;
constexpr DWORD FAST = 115200;
constexpr int ALL = 3;

// A move in one shift state and view, whose first file the camera will not select: the picture
// stays unless its photo was copied, and a move of thumbnails alone keeps every picture.
FaultRow MoveRow(const char* situation, unsigned keys, bool thumbnailView, int filesCopied,
                 int picturesLeft) {
    FaultRow row{situation, Act::Move, Camera(On(FaultKind::Refuse, SELECT)), {}, filesCopied,
                 picturesLeft, SLOW, Recovery::SamePanel};
    row.keys = keys;
    row.thumbnailView = thumbnailView;
    if (picturesLeft == ALL) row.refusalTopic = "MoveThumbnails";
    return row;
}
constexpr unsigned CTRL = PKF_CONTROL;
constexpr unsigned ALT = PKF_ALT;
constexpr unsigned SHIFT = PKF_SHIFT;
constexpr int BOTH_KINDS_BUT_ONE = 5;  // the thumbnail of the first picture is skipped

const FaultRow ROWS[] = {
    // --- opening the panel ---
    {"NoSerialPortIsListed", Act::Open, [](FaultRig& rig) { rig.listPorts({}); }, {}, 0, ALL,
     SLOW, Recovery::RestartHost, "", "", "NoSerialPort"},
    {"ASecondPanelIsRefused", Act::OpenSecond, Nothing(), {}, 0, ALL, SLOW, Recovery::SamePanel,
     "", "", "MultiSession"},
    {"CameraHoldsNoPictures", Act::Open,
     [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.emptyCamera); }, {}, 0, ALL, SLOW,
     Recovery::Reopen},
    {"PortCannotBeOpened", Act::Open, System(SysCall::CreateFileA), {{0x100, 1, 1}}, 0, ALL, SLOW,
     Recovery::Reopen},
    {"PortRefusesItsLineSettings", Act::Open, System(SysCall::SetCommState), {{0x100, 1, 1}}, 0,
     ALL, SLOW, Recovery::Reopen},
    {"PortRefusesItsTimeOuts", Act::Open, System(SysCall::SetCommTimeouts), {{0x900, 1, 1}}, 0,
     ALL, SLOW, Recovery::Reopen},
    {"PortPurgeFailsBeforeTheFirstProbe", Act::Open, System(SysCall::PurgeComm, 2), {{0, 3, 1}},
     0, ALL, SLOW, Recovery::Reopen},
    {"CameraDoesNotAnswerTheProbe", Act::Open,
     [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.deadLine); }, {{0x20, 4, 1}}, 0, ALL,
     SLOW, Recovery::Reopen},
    {"CameraRefusesTheFastSpeed", Act::Open, Camera(On(FaultKind::Refuse, SPEED)), {{0x04, 5, 1}},
     0, ALL, SLOW, Recovery::Reopen},
    {"FastSpeedAnsweredWithNakThreeTimes", Act::Open, Camera(On(FaultKind::Nak, SPEED, 3)),
     {{0x10, 5, 1}}, 0, ALL, SLOW, Recovery::Reopen},
    {"LocalPortRefusesTheFastSpeed", Act::Open, System(SysCall::SetCommState, 2),
     {{0x100, 2, 1}}, 0, ALL, FAST, Recovery::Reopen},
    {"PictureCountAnsweredWithNakThreeTimes", Act::Open, Camera(On(FaultKind::Nak, COUNT, 3)),
     {{0x10, 7, 1}}, 0, ALL, SLOW, Recovery::Reopen},
    {"PictureCountRefused", Act::Open, Camera(On(FaultKind::Refuse, COUNT)), {{0x04, 7, 1}}, 0,
     ALL, SLOW, Recovery::Reopen},
    {"PictureCountNeverArrives", Act::Open, Camera(On(FaultKind::Silence, COUNT)),
     {{0x20, 7, 1}}, 0, ALL, FAST, Recovery::Reopen},
    {"PictureCountDamagedEveryTime", Act::Open, Camera(On(FaultKind::Damage, COUNT, 4, 0)),
     {{0x01, 7, 1}}, 0, ALL, SLOW, Recovery::Reopen},
    {"PictureCountDamagedOnce", Act::Open, Camera(On(FaultKind::Damage, COUNT, 1, 0)), {}, 0, ALL,
     SLOW, Recovery::SamePanel},
    {"PictureInformationNeverArrives", Act::Open, Camera(On(FaultKind::Silence, INFO)),
     {{0x20, 10, 3}}, 0, ALL, FAST, Recovery::Reopen},
    {"PictureInformationDamaged", Act::Open, Camera(On(FaultKind::Damage, INFO, 1, 0)),
     {{0x01, 10, 3}}, 0, ALL, SLOW, Recovery::Reopen},
    {"PictureInformationRefused", Act::Open, Camera(On(FaultKind::Refuse, INFO)), {{0x04, 10, 3}},
     0, ALL, SLOW, Recovery::Reopen},
    {"SpeedResetAfterThePictureCountRefused", Act::Open,
     AfterCommands(1, On(FaultKind::Refuse, SPEED)), {{0x04, 6, 1}}, 0, ALL, SLOW,
     Recovery::Reopen},
    {"SpeedResetAfterTheCatalogueRefused", Act::Open,
     AfterCommands(3, On(FaultKind::Refuse, SPEED)), {{0x04, 6, 3}}, 0, ALL, SLOW,
     Recovery::Reopen},
    {"SpeedResetRefusedByTheDisconnectToo", Act::Open,
     AfterCommands(3, On(FaultKind::Refuse, SPEED, 2)), {{0x04, 6, 3}, {0x04, 6, 6}}, 0, ALL,
     SLOW, Recovery::Reopen},

    // --- copying ---
    {"CopyDialogCancelled", Act::CopyCancelled, Nothing(), {}, 0, ALL, SLOW, Recovery::SamePanel},
    {"ProbeNotWrittenOnce", Act::Copy, System(SysCall::WriteFile, 1, ERROR_GEN_FAILURE,
                                              FaultTarget::Port),
     {}, 3, ALL, SLOW, Recovery::SamePanel},
    {"ProbeAnswerNotReadOnce", Act::Copy, System(SysCall::ReadFile, 1, ERROR_GEN_FAILURE,
                                                 FaultTarget::Port),
     {}, 3, ALL, SLOW, Recovery::SamePanel},
    {"OurAckIsLostOnTheLine", Act::Copy, System(SysCall::WriteFile, 5, ERROR_GEN_FAILURE,
                                                FaultTarget::Port),
     {{0x01, 11, 4}}, 0, ALL, SLOW, Recovery::SamePanel},
    {"SelectionAnsweredWithNakOnce", Act::Copy, Camera(On(FaultKind::Nak, SELECT)), {}, 3, ALL,
     SLOW, Recovery::SamePanel},
    {"SelectionRefusedSkipsThatPicture", Act::Copy, Camera(On(FaultKind::Refuse, SELECT)), {}, 2,
     ALL, SLOW, Recovery::SamePanel},
    {"SelectionAnsweredWithAStrayByte", Act::Copy,
     Camera(On(FaultKind::Unexpected, SELECT, 1, -1, 0x42)), {}, 2, ALL, SLOW,
     Recovery::SamePanel},
    {"PhotoPacketDamagedOnce", Act::Copy, Camera(On(FaultKind::Damage, PHOTO, 1, 1)), {}, 3, ALL,
     SLOW, Recovery::SamePanel},
    {"PhotoPacketDamagedThreeTimes", Act::Copy, Camera(On(FaultKind::Damage, PHOTO, 3, 1)),
     {{0x01, 11, 4}}, 0, ALL, SLOW, Recovery::SamePanel},
    {"PhotoPacketWithAnOverlongLengthOnce", Act::Copy,
     Camera(On(FaultKind::OverlongLength, PHOTO, 1, 1, 0xFFFF)), {}, 3, ALL, SLOW,
     Recovery::SamePanel},
    {"PhotoPacketWithAnOverlongLengthThreeTimes", Act::Copy,
     Camera(On(FaultKind::OverlongLength, PHOTO, 3, 1, 0xFFFF)), {{0x02, 11, 4}}, 0, ALL, FAST,
     Recovery::SamePanel},
    {"PhotoRequestRefused", Act::Copy, Camera(On(FaultKind::Refuse, PHOTO)), {{0x04, 10, 4}}, 0,
     ALL, SLOW, Recovery::SamePanel},
    {"PhotoRequestAnsweredWithNakThreeTimes", Act::Copy, Camera(On(FaultKind::Nak, PHOTO, 3)),
     {{0x10, 10, 4}}, 0, ALL, SLOW, Recovery::SamePanel},
    {"CameraFallsSilentInAPhoto", Act::Copy, Camera(On(FaultKind::Silence, PHOTO, 1, 1)),
     {{0x20, 11, 4}}, 0, ALL, FAST, Recovery::SamePanel},
    {"CameraLosesPowerAtThePhotoRequest", Act::Copy, Camera(On(FaultKind::PowerCycle, PHOTO)),
     {{0x20, 11, 4}}, 0, ALL, SLOW, Recovery::Reopen},
    {"CameraUnpluggedBeforeACopy", Act::Copy,
     [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.deadLine); }, {{0x20, 4, 4}}, 0, ALL,
     SLOW, Recovery::Reopen},
    {"CameraLostPowerBetweenOperations", Act::Copy,
     [](FaultRig& rig) { rig.camera.powerCycle(); }, {}, 3, ALL, SLOW, Recovery::SamePanel},
    {"TargetFileCannotBeCreated", Act::Copy,
     System(SysCall::CreateFileA, 1, ERROR_ACCESS_DENIED, FaultTarget::File), {{0, 0, 9}}, 0, ALL,
     SLOW, Recovery::SamePanel},
    {"DiskFullWhileWritingAPhoto", Act::Copy,
     System(SysCall::WriteFile, 2, ERROR_DISK_FULL, FaultTarget::File), {{0, 0, 9}}, 0, ALL, SLOW,
     Recovery::SamePanel},
    {"DiskFullWhileWritingAThumbnail", Act::CopyThumbnails,
     System(SysCall::WriteFile, 1, ERROR_DISK_FULL, FaultTarget::File), {{0, 0, 11}}, 0, ALL,
     SLOW, Recovery::SamePanel},
    {"SpeedResetAfterTheLastPhotoRefused", Act::Copy,
     AfterCommands(1, On(FaultKind::Refuse, SPEED)), {{0x04, 6, 4}}, 3, ALL, SLOW,
     Recovery::SamePanel},
    {"DestinationFolderMissing", Act::Copy, Nothing(), {{0, 0, 15}}, 0, ALL, SLOW,
     Recovery::SamePanel, "missing\\"},
    {"TargetFolderListingEndsWithAnError", Act::Copy,
     [](FaultRig& rig) {
         std::filesystem::create_directory(rig.disk.path() + "/02-05-17");
         std::ofstream(rig.disk.path() + "/02-05-17/notes.txt") << "mine";
         rig.fake.system.failCall(SysCall::FindNextFileA);
     },
     {{0, 0, 17}}, 0, ALL, SLOW, Recovery::SamePanel},
    {"RunningNumbersRunOutOnAnExistingFile", Act::Copy,
     [](FaultRig& rig) {
         std::filesystem::create_directory(rig.disk.path() + "/02-05-17");
         std::ofstream(rig.disk.path() + "/02-05-17/pic17.05.2002_999.jpg") << "mine";
         std::ofstream(rig.disk.path() + "/02-05-17/pic17.05.2002_1000.jpg") << "mine too";
     },
     {{0, 0, 9}}, 0, ALL, SLOW, Recovery::SamePanel},
    {"MoveEndingEarlyDeletesNothing", Act::Move, Camera(On(FaultKind::Damage, PHOTO, 3, 1)),
     {{0x01, 11, 4}}, 0, ALL, SLOW, Recovery::SamePanel},
    {"MoveKeepsThePictureItCouldNotSelect", Act::Move, Camera(On(FaultKind::Refuse, SELECT)), {},
     2, 1, SLOW, Recovery::SamePanel},
    MoveRow("MovePhotosInPhotoView", 0, false, 2, 1),
    MoveRow("MoveShiftCopiesThumbnailsOnlyInPhotoView", SHIFT, false, 2, ALL),
    MoveRow("MoveCtrlInPhotoView", CTRL, false, 2, 1),
    MoveRow("MoveCtrlShiftCopiesThumbnailsOnlyInPhotoView", CTRL | SHIFT, false, 2, ALL),
    MoveRow("MoveAltInPhotoView", ALT, false, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveAltShiftInPhotoView", ALT | SHIFT, false, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveCtrlAltInPhotoView", CTRL | ALT, false, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveCtrlAltShiftInPhotoView", CTRL | ALT | SHIFT, false, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveCopiesThumbnailsOnlyInThumbnailView", 0, true, 2, ALL),
    MoveRow("MoveShiftInThumbnailView", SHIFT, true, 2, 1),
    MoveRow("MoveCtrlCopiesThumbnailsOnlyInThumbnailView", CTRL, true, 2, ALL),
    MoveRow("MoveCtrlShiftInThumbnailView", CTRL | SHIFT, true, 2, 1),
    MoveRow("MoveAltInThumbnailView", ALT, true, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveAltShiftInThumbnailView", ALT | SHIFT, true, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveCtrlAltInThumbnailView", CTRL | ALT, true, BOTH_KINDS_BUT_ONE, 1),
    MoveRow("MoveCtrlAltShiftInThumbnailView", CTRL | ALT | SHIFT, true, BOTH_KINDS_BUT_ONE, 1),
    {"GetFilesTransferFails", Act::GetFiles, Camera(On(FaultKind::Damage, PHOTO, 3, 0)),
     {{0x01, 11, 4}}, 0, ALL, SLOW, Recovery::SamePanel, "", "", "", 0},
    {"GetFilesTargetCannotBeCreated", Act::GetFiles,
     System(SysCall::CreateFileA, 1, ERROR_ACCESS_DENIED, FaultTarget::File), {{0, 0, 9}}, 0, ALL,
     SLOW, Recovery::SamePanel, "", "", "", 0},
    {"GetFilesSkipsAPictureTheCameraWillNotSelect", Act::GetFiles,
     Camera(On(FaultKind::Refuse, SELECT)), {}, 1, ALL, SLOW, Recovery::SamePanel},

    // --- deleting ---
    {"CameraUnpluggedBeforeADeletion", Act::Delete,
     [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.deadLine); }, {{0x20, 4, 7}}, 0, ALL,
     SLOW, Recovery::Reopen, "", "02-05-18"},
    {"DeleteQuestionDeclined", Act::DeleteDeclined, Nothing(), {}, 0, ALL, SLOW,
     Recovery::SamePanel},
    {"DeleteLastRefusedIsDoneWithSelection", Act::Delete,
     Camera(On(FaultKind::Refuse, DELETE_LAST)), {}, 0, 2, SLOW, Recovery::SamePanel, "",
     "02-05-18"},
    {"DeleteRefusedBothWays", Act::Delete,
     [](FaultRig& rig) {
         rig.camera.addFault(On(FaultKind::Refuse, DELETE_LAST));
         rig.camera.addFault(On(FaultKind::Refuse, DELETE_CURRENT));
     },
     {{0x04, 9, 7}}, 0, ALL, SLOW, Recovery::SamePanel, "", "02-05-18"},
    {"DeleteSelectionRefused", Act::Delete, Camera(On(FaultKind::Refuse, SELECT)),
     {{0x04, 8, 2}}, 0, ALL, SLOW, Recovery::SamePanel, "", "02-05-17"},
    {"DeleteFailsAtTheSecondPicture", Act::Delete,
     AfterCommands(1, On(FaultKind::Refuse, DELETE_CURRENT, 2)), {{0x04, 9, 7}}, 0, 2, SLOW,
     Recovery::SamePanel, "", "02-05-17"},
    {"DeleteCompletionNeverComes", Act::Delete,
     Camera(On(FaultKind::Completion, DELETE_LAST, 1, -1, -1)), {{0x20, 9, 7}}, 0, 2, FAST,
     Recovery::Reopen, "", "02-05-18"},
    {"DeleteCompletionIsAStrayByte", Act::Delete,
     Camera(On(FaultKind::Completion, DELETE_LAST, 1, -1, 0x42)), {{0x02, 9, 7}}, 0, 2, FAST,
     Recovery::Reopen, "", "02-05-18"},
    {"DeleteTimeOutsCannotBeRestored", Act::Delete, System(SysCall::SetCommTimeouts),
     {{0x800, 9, 18}}, 0, 2, SLOW, Recovery::Reopen, "", "02-05-18"},
    {"CameraLosesPowerAtTheDeleteAction", Act::Delete,
     Camera(On(FaultKind::PowerCycle, DELETE_CURRENT)), {{0x20, 9, 7}}, 0, ALL, SLOW,
     Recovery::Reopen, "", "02-05-17"},
    {"SpeedResetAfterTheLastDeletionRefused", Act::Delete,
     AfterCommands(1, On(FaultKind::Refuse, SPEED)), {{0x04, 6, 7}}, 0, 2, SLOW,
     Recovery::SamePanel, "", "02-05-18"},
};

class FaultMatrix : public ::testing::TestWithParam<FaultRow> {
protected:
    FaultMatrix()
        : rig({PictureOn(2002, 5, 17, 1500), PictureOn(2002, 5, 17, 1200),
               PictureOn(2002, 5, 18, 1000)}) {}

    void act(const FaultRow& row) {
        host::HostEmulator& emulator = *rig.emulator;
        switch (row.act) {
        case Act::Open:
            emulator.openPanel();
            return;
        case Act::OpenSecond:
            EXPECT_EQ(host::LinkedPluginEntryPoints().OpenPlugin(OPEN_DISKMENU, 0),
                      INVALID_HANDLE_VALUE);
            return;
        case Act::Copy:
        case Act::Move:
            if (row.thumbnailView) {
                EXPECT_EQ(emulator.pressKey(VK_F7), 1);
            }
            ASSERT_TRUE(rig.selectAll());
            rig.copyMarked(row.act == Act::Move, destinationOf(row), row.keys);
            return;
        case Act::CopyThumbnails:
            ASSERT_TRUE(rig.selectAll());
            rig.copyMarked(false, "", PKF_SHIFT);
            return;
        case Act::CopyCancelled:
            ASSERT_TRUE(rig.selectAll());
            rig.user->queueDialog([](host::DialogRequest&) { return 8; });
            emulator.pressKey(VK_F5);
            return;
        case Act::Delete:
            ASSERT_TRUE(row.target.empty() ? rig.selectAll() : emulator.selectItems({row.target}));
            rig.deleteMarked();
            return;
        case Act::DeleteDeclined:
            ASSERT_TRUE(rig.selectAll());
            rig.user->queueAnswer(1);
            emulator.pressKey(VK_F8);
            return;
        case Act::GetFiles: {
            ASSERT_TRUE(emulator.enterFolder("02-05-17"));
            std::vector<std::string> names = emulator.pluginPanel().names();
            std::erase(names, "..");
            ASSERT_TRUE(emulator.selectItems(names));
            EXPECT_EQ(emulator.getFiles(), row.result);
            return;
        }
        }
    }
    std::string destinationOf(const FaultRow& row) const {
        return row.destination.empty() ? "" : rig.disk.path() + "\\" + row.destination;
    }

    void recover(const FaultRow& row) {
        rig.fake.system.clearFaults();
        switch (row.recovery) {
        case Recovery::SamePanel:
            break;
        case Recovery::Reopen:
            if (rig.emulator->panelOpen()) rig.emulator->closePanel();
            break;
        case Recovery::RestartHost:
            rig.listPorts({"COM1", "COM2"});
            rig.makeEmulator();
            ASSERT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
            break;
        }
        if (!rig.emulator->panelOpen()) rig.fake.system.attachPort(2, &rig.line);  // plugged in
        rig.expectTheNextCopyToWork();
    }

    FaultRig rig;
};

TEST_P(FaultMatrix, ShowsTheFailureLosesNothingAndRecovers) {
    const FaultRow& row = GetParam();
    std::ofstream(rig.disk.path() + "/keep.jpg") << "the user's own file";
    if (row.act == Act::Open) {
        row.inject(rig);
        ASSERT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
    } else {
        ASSERT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
        ASSERT_TRUE(rig.emulator->openPanel()) << rig.emulator->errorText;
        rig.user->boxes.clear();
        rig.user->screensOutstanding.clear();
        row.inject(rig);
    }
    const auto before = rig.filesOnDisk();
    act(row);

    std::vector<std::string> expected;
    for (const Numbers& numbers : row.reports)
        expected.push_back(rig.failureLine(numbers.flags, numbers.link, numbers.operation));
    EXPECT_EQ(rig.failureLines(), expected);
    if (*row.refusalTopic != '\0') {
        ASSERT_FALSE(rig.user->boxes.empty());
        EXPECT_EQ(rig.user->boxes.back().helpTopic, row.refusalTopic);
    }
    rig.expectScreensRestoredOnce();

    int complete = 0;
    for (const auto& [path, bytes] : rig.filesOnDisk()) {
        const auto earlier = before.find(path);
        if (earlier != before.end()) {
            EXPECT_EQ(bytes, earlier->second) << path << " was overwritten";
            continue;
        }
        EXPECT_FALSE(rig.pictureFileOf(bytes).empty()) << path << " is an incomplete picture";
        ++complete;
    }
    EXPECT_EQ(complete, row.filesCopied);
    // Nothing but a deletion takes a picture off the camera whose photo is not on disk complete.
    for (const sim::Picture& picture : rig.original) {
        const auto& left = rig.camera.pictures();
        if (row.act == Act::Delete ||
            std::any_of(left.begin(), left.end(),
                        [&picture](const sim::Picture& kept) { return kept.id == picture.id; }))
            continue;
        const std::string photo = std::to_string(picture.id) + "p";
        const auto files = rig.filesOnDisk();
        EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const auto& file) {
            return rig.pictureFileOf(file.second) == photo;
        })) << "picture " << picture.id << " left the camera without its photo";
    }
    EXPECT_EQ(rig.camera.pictures().size(), static_cast<std::size_t>(row.picturesLeft));
    EXPECT_EQ(rig.camera.baud(), row.cameraBaud);

    recover(row);
}

INSTANTIATE_TEST_SUITE_P(EveryFailure, FaultMatrix, ::testing::ValuesIn(ROWS),
                         [](const ::testing::TestParamInfo<FaultRow>& param) {
                             return std::string(param.param.situation);
                         });

}  // namespace
}  // namespace pixlor::test
