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
    SamePanel,    // the next operation on the same panel
    Reopen,       // the panel closed and opened again
    RestartHost,  // the file manager started again
};

constexpr DWORD SLOW = 19200;
constexpr DWORD FAST = 115200;
constexpr int ALL = 3;  // pictures on the camera at the start

// One camera-failure box: the device's status flags, the link's error and the operation.
struct Report {
    std::uint32_t flags;
    std::int32_t link;
    std::int32_t operation;
};

struct FaultRow {
    const char* situation;
    Act act;
    std::function<void(FaultRig&)> inject = {};  // none: the act alone
    std::vector<Report> reports = {};            // the camera-failure boxes, in order
    int filesCopied = 0;                         // complete picture files on disk afterwards
    int picturesLeft = ALL;                      // on the camera
    DWORD cameraBaud = SLOW;                     // the camera's speed afterwards
    Recovery recovery = Recovery::SamePanel;
    std::string destination = "";   // copy target below the disk folder; "" = the folder itself
    std::string target = "";        // the folder F8 deletes; "" = all
    const char* refusalTopic = "";  // the help topic of the last box, a refusal or a notice
    int result = 1;                 // GetFiles' answer
    unsigned keys = 0;              // F5 and F6: the shift state
    bool thumbnailView = false;     // F5 and F6: pressed after F7
    bool verify = false;            // F6: the dialog's verify box ticked
    const char* shownTopic = "";    // the help topic of a box shown on the way
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

const auto COUNT = CommandMatch::getRegister(sim::REG_PICTURE_COUNT);
const auto SPEED = CommandMatch::setRegister(sim::REG_SPEED);
const auto SELECT = CommandMatch::setRegister(sim::REG_CURRENT_PICTURE);
const auto INFO = CommandMatch::requestData(sim::REG_PICTURE_INFO);
const auto PHOTO = CommandMatch::requestData(sim::REG_PHOTO_DATA);
const auto DELETE_LAST = CommandMatch::action(sim::ACTION_DELETE_LAST);
const auto DELETE_CURRENT = CommandMatch::action(sim::ACTION_DELETE_CURRENT);

// A move in one shift state and view, whose first file the camera will not select: the picture
// stays unless its photo was copied, and a move of thumbnails alone keeps every picture.
// clang-format off
FaultRow MoveRow(const char* situation, unsigned keys, bool thumbnailView, int filesCopied,
                 int picturesLeft) {
    return {.situation = situation, .act = Act::Move,
            .inject = Camera(On(FaultKind::Refuse, SELECT)), .filesCopied = filesCopied,
            .picturesLeft = picturesLeft, .refusalTopic = picturesLeft == ALL ? "MoveThumbnails" : "", .keys = keys,
            .thumbnailView = thumbnailView};
}
// clang-format on
constexpr unsigned CTRL = PKF_CONTROL;
constexpr unsigned ALT = PKF_ALT;
constexpr unsigned SHIFT = PKF_SHIFT;
constexpr int BOTH_KINDS_BUT_ONE = 5;  // the thumbnail of the first picture is skipped

// clang-format off
const FaultRow ROWS[] = {
    // --- opening the panel ---
    {.situation = "NoSerialPortIsListed", .act = Act::Open,
     .inject = [](FaultRig& rig) { rig.listPorts({}); }, .recovery = Recovery::RestartHost,
     .refusalTopic = "NoSerialPort"},
    {.situation = "ASecondPanelIsRefused", .act = Act::OpenSecond,
     .refusalTopic = "MultiSession"},
    {.situation = "CameraHoldsNoPictures", .act = Act::Open,
     .inject = [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.emptyCameraPeer); },
     .recovery = Recovery::Reopen},
    {.situation = "PortCannotBeOpened", .act = Act::Open, .inject = System(SysCall::CreateFileA),
     .reports = {{STATUS_PORT_SETUP, LINK_ERR_OPEN, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "PortRefusesItsLineSettings", .act = Act::Open,
     .inject = System(SysCall::SetCommState),
     .reports = {{STATUS_PORT_SETUP, LINK_ERR_OPEN, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "PortRefusesItsTimeOuts", .act = Act::Open,
     .inject = System(SysCall::SetCommTimeouts),
     .reports = {{STATUS_PORT_SETUP | STATUS_TIMEOUTS, LINK_ERR_OPEN, OP_CONNECT}},
     .recovery = Recovery::Reopen},
    {.situation = "PortPurgeFailsBeforeTheFirstProbe", .act = Act::Open,
     .inject = System(SysCall::PurgeComm, 2), .reports = {{0, LINK_ERR_PURGE, OP_CONNECT}},
     .recovery = Recovery::Reopen},
    {.situation = "CameraDoesNotAnswerTheProbe", .act = Act::Open,
     .inject = [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.deadLine); },
     .reports = {{STATUS_READ_SHORT, LINK_ERR_NO_WAKE, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "CameraRefusesTheFastSpeed", .act = Act::Open,
     .inject = Camera(On(FaultKind::Refuse, SPEED)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SPEED_SET, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "FastSpeedAnsweredWithNakThreeTimes", .act = Act::Open,
     .inject = Camera(On(FaultKind::Nak, SPEED, 3)),
     .reports = {{STATUS_NAK, LINK_ERR_SPEED_SET, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "LocalPortRefusesTheFastSpeed", .act = Act::Open,
     .inject = System(SysCall::SetCommState, 2),
     .reports = {{STATUS_PORT_SETUP, LINK_ERR_PORT_SETUP, OP_CONNECT}}, .cameraBaud = FAST,
     .recovery = Recovery::Reopen},
    {.situation = "PictureCountAnsweredWithNakThreeTimes", .act = Act::Open,
     .inject = Camera(On(FaultKind::Nak, COUNT, 3)),
     .reports = {{STATUS_NAK, LINK_ERR_GET_REGISTER, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "PictureCountRefused", .act = Act::Open,
     .inject = Camera(On(FaultKind::Refuse, COUNT)),
     .reports = {{STATUS_REFUSED, LINK_ERR_GET_REGISTER, OP_CONNECT}},
     .recovery = Recovery::Reopen},
    {.situation = "PictureCountNeverArrives", .act = Act::Open,
     .inject = Camera(On(FaultKind::Silence, COUNT)),
     .reports = {{STATUS_READ_SHORT, LINK_ERR_GET_REGISTER, OP_CONNECT}}, .cameraBaud = FAST,
     .recovery = Recovery::Reopen},
    {.situation = "PictureCountDamagedEveryTime", .act = Act::Open,
     .inject = Camera(On(FaultKind::Damage, COUNT, 4, 0)),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_GET_REGISTER, OP_CONNECT}},
     .recovery = Recovery::Reopen},
    {.situation = "PictureCountDamagedOnce", .act = Act::Open,
     .inject = Camera(On(FaultKind::Damage, COUNT, 1, 0))},
    {.situation = "PictureInformationNeverArrives", .act = Act::Open,
     .inject = Camera(On(FaultKind::Silence, INFO)),
     .reports = {{STATUS_READ_SHORT, LINK_ERR_GET_DATA, OP_PICTURE_INFO}}, .cameraBaud = FAST,
     .recovery = Recovery::Reopen},
    {.situation = "PictureInformationDamaged", .act = Act::Open,
     .inject = Camera(On(FaultKind::Damage, INFO, 1, 0)),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_GET_DATA, OP_PICTURE_INFO}},
     .recovery = Recovery::Reopen},
    {.situation = "PictureInformationRefused", .act = Act::Open,
     .inject = Camera(On(FaultKind::Refuse, INFO)),
     .reports = {{STATUS_REFUSED, LINK_ERR_GET_DATA, OP_PICTURE_INFO}},
     .recovery = Recovery::Reopen},
    {.situation = "SpeedResetAfterThePictureCountRefused", .act = Act::Open,
     .inject = AfterCommands(1, On(FaultKind::Refuse, SPEED)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SPEED_RESET, OP_CONNECT}}, .recovery = Recovery::Reopen},
    {.situation = "SpeedResetAfterTheCatalogueRefused", .act = Act::Open,
     .inject = AfterCommands(3, On(FaultKind::Refuse, SPEED)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SPEED_RESET, OP_PICTURE_INFO}},
     .recovery = Recovery::Reopen},
    {.situation = "SpeedResetRefusedByTheDisconnectToo", .act = Act::Open,
     .inject = AfterCommands(3, On(FaultKind::Refuse, SPEED, 2)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SPEED_RESET, OP_PICTURE_INFO},
                 {STATUS_REFUSED, LINK_ERR_SPEED_RESET, OP_DISCONNECT}},
     .recovery = Recovery::Reopen},

    // --- copying ---
    {.situation = "CopyDialogCancelled", .act = Act::CopyCancelled},
    {.situation = "ProbeNotWrittenOnce", .act = Act::Copy,
     .inject = System(SysCall::WriteFile, 1, ERROR_GEN_FAILURE, FaultTarget::Port),
     .filesCopied = 3},
    {.situation = "ProbeAnswerNotReadOnce", .act = Act::Copy,
     .inject = System(SysCall::ReadFile, 1, ERROR_GEN_FAILURE, FaultTarget::Port),
     .filesCopied = 3},
    {.situation = "OurAckIsLostOnTheLine", .act = Act::Copy,
     .inject = System(SysCall::WriteFile, 5, ERROR_GEN_FAILURE, FaultTarget::Port),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}},
    {.situation = "SelectionAnsweredWithNakOnce", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Nak, SELECT)), .filesCopied = 3},
    {.situation = "SelectionRefusedSkipsThatPicture", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Refuse, SELECT)), .filesCopied = 2},
    {.situation = "SelectionAnsweredWithAStrayByte", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Unexpected, SELECT, 1, -1, 0x42)), .filesCopied = 2},
    {.situation = "PhotoPacketDamagedOnce", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Damage, PHOTO, 1, 1)), .filesCopied = 3},
    {.situation = "PhotoPacketDamagedThreeTimes", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Damage, PHOTO, 3, 1)),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}},
    {.situation = "PhotoPacketWithAnOverlongLengthOnce", .act = Act::Copy,
     .inject = Camera(On(FaultKind::OverlongLength, PHOTO, 1, 1, 0xFFFF)), .filesCopied = 3},
    {.situation = "PhotoPacketWithAnOverlongLengthThreeTimes", .act = Act::Copy,
     .inject = Camera(On(FaultKind::OverlongLength, PHOTO, 3, 1, 0xFFFF)),
     .reports = {{STATUS_UNEXPECTED, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}, .cameraBaud = FAST},
    {.situation = "PhotoRequestRefused", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Refuse, PHOTO)),
     .reports = {{STATUS_REFUSED, LINK_ERR_GET_DATA, OP_DOWNLOAD_PHOTO}}},
    {.situation = "PhotoRequestAnsweredWithNakThreeTimes", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Nak, PHOTO, 3)),
     .reports = {{STATUS_NAK, LINK_ERR_GET_DATA, OP_DOWNLOAD_PHOTO}}},
    {.situation = "CameraFallsSilentInAPhoto", .act = Act::Copy,
     .inject = Camera(On(FaultKind::Silence, PHOTO, 1, 1)),
     .reports = {{STATUS_READ_SHORT, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}, .cameraBaud = FAST},
    {.situation = "CameraLosesPowerAtThePhotoRequest", .act = Act::Copy,
     .inject = Camera(On(FaultKind::PowerCycle, PHOTO)),
     .reports = {{STATUS_READ_SHORT, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}},
     .recovery = Recovery::Reopen},
    {.situation = "CameraUnpluggedBeforeACopy", .act = Act::Copy,
     .inject = [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.deadLine); },
     .reports = {{STATUS_READ_SHORT, LINK_ERR_NO_WAKE, OP_DOWNLOAD_PHOTO}},
     .recovery = Recovery::Reopen},
    // The handle of an adapter unplugged and plugged in again is dead: the next operation on
    // the same panel opens the port anew.
    {.situation = "AdapterUnpluggedInAPhotoAndPluggedInAgain", .act = Act::Copy,
     .inject = [](FaultRig& rig) { rig.fake.system.hangUpPortAfterWrites(2, 6); },
     .reports = {{STATUS_READ_SHORT, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}},
     .cameraBaud = FAST},
    {.situation = "AdapterUnpluggedAndPluggedInAgainBetweenOperations", .act = Act::Copy,
     .inject = [](FaultRig& rig) { rig.fake.system.hangUpPortAfterWrites(2, 0); },
     .filesCopied = 3},
    {.situation = "CameraLostPowerBetweenOperations", .act = Act::Copy,
     .inject = [](FaultRig& rig) { rig.camera.powerCycle(); }, .filesCopied = 3},
    {.situation = "TargetFileCannotBeCreated", .act = Act::Copy,
     .inject = System(SysCall::CreateFileA, 1, ERROR_ACCESS_DENIED, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_PHOTO_FILE}}},
    {.situation = "DiskFullWhileWritingAPhoto", .act = Act::Copy,
     .inject = System(SysCall::WriteFile, 2, ERROR_DISK_FULL, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_PHOTO_FILE}}},
    {.situation = "DiskFullWhileWritingAThumbnail", .act = Act::CopyThumbnails,
     .inject = System(SysCall::WriteFile, 1, ERROR_DISK_FULL, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_THUMB_FILE}}},
    {.situation = "SpeedResetAfterTheLastPhotoRefused", .act = Act::Copy,
     .inject = AfterCommands(1, On(FaultKind::Refuse, SPEED)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SPEED_RESET, OP_DOWNLOAD_PHOTO}}, .filesCopied = 3},
    {.situation = "DestinationFolderMissing", .act = Act::Copy,
     .reports = {{0, LINK_OK, OP_FOLDER_CREATE}}, .destination = "missing\\"},
    {.situation = "TargetFolderListingEndsWithAnError", .act = Act::Copy,
     .inject = [](FaultRig& rig) {
         std::filesystem::create_directory(rig.disk.path() + "/02-05-17");
         std::ofstream(rig.disk.path() + "/02-05-17/notes.txt") << "mine";
         rig.fake.system.failCall(SysCall::FindNextFileA);
     }, .reports = {{0, LINK_OK, OP_FOLDER_LIST}}},
    {.situation = "RunningNumbersOutgrowTheirDigits", .act = Act::Copy,
     .inject = [](FaultRig& rig) {
         std::filesystem::create_directory(rig.disk.path() + "/02-05-17");
         std::ofstream(rig.disk.path() + "/02-05-17/pic17.05.2002_999.jpg") << "mine";
         std::ofstream(rig.disk.path() + "/02-05-17/pic17.05.2002_1000.jpg") << "mine too";
     }, .filesCopied = 3},
    {.situation = "AFolderHoldsTheNextName", .act = Act::Copy,
     .inject = [](FaultRig& rig) {
         std::filesystem::create_directories(rig.disk.path() + "/02-05-18/pic18.05.2002_001.jpg");
     }, .filesCopied = 3},
#ifndef _WIN32  // symbolic links need a privilege there
    {.situation = "ADanglingLinkHoldsTheNextName", .act = Act::Copy,
     .inject = [](FaultRig& rig) {
         std::filesystem::create_directory(rig.disk.path() + "/02-05-17");
         std::filesystem::create_symlink(rig.disk.path() + "/nowhere",
                                         rig.disk.path() + "/02-05-17/pic17.05.2002_001.jpg");
     }, .filesCopied = 3},
    {.situation = "ADateFolderIsALinkToAFolderOfTheUsers", .act = Act::Copy,
     .inject = [](FaultRig& rig) {
         std::filesystem::create_directory(rig.disk.path() + "/mine");
         std::filesystem::create_directory_symlink(rig.disk.path() + "/mine",
                                                   rig.disk.path() + "/02-05-17");
     }, .filesCopied = 3},
#endif
    {.situation = "PhotoCannotBeFlushedToTheDisk", .act = Act::Copy,
     .inject = System(SysCall::FlushFileBuffers, 1, ERROR_DISK_FULL, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_PHOTO_FILE}}},
    {.situation = "PhotoCannotTakeItsName", .act = Act::Copy,
     .inject = System(SysCall::MoveFileExA, 1, ERROR_ACCESS_DENIED, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_PHOTO_FILE}}},
    {.situation = "MoveWhoseSecondPhotoCannotBeFlushedDeletesNothing", .act = Act::Move,
     .inject = System(SysCall::FlushFileBuffers, 2, ERROR_GEN_FAILURE, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_PHOTO_FILE}}, .filesCopied = 1},
    // Two bytes swapped inside a packet keep its sum: the line cannot see it, a second reading
    // can. The copy goes, the picture stays; the others are moved.
    {.situation = "VerifiedMoveKeepsAPictureWhosePhotoReadsDifferentlyTwice", .act = Act::Move,
     .inject = Camera(On(FaultKind::Reorder, PHOTO, 1, 0)), .filesCopied = 2, .picturesLeft = 1,
     .verify = true, .shownTopic = "VerifyMoves"},
    {.situation = "VerifiedMoveMovesThePhotosThatReadTheSame", .act = Act::Move,
     .inject = Camera(On(FaultKind::Refuse, SELECT)), .filesCopied = 2, .picturesLeft = 1,
     .verify = true},
    {.situation = "VerifiedMoveEndsWhenTheSecondReadingFails", .act = Act::Move,
     .inject = AfterCommands(1, On(FaultKind::Damage, PHOTO, 3, 1)),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}, .filesCopied = 1,
     .verify = true},
    {.situation = "MoveEndingEarlyDeletesNothing", .act = Act::Move,
     .inject = Camera(On(FaultKind::Damage, PHOTO, 3, 1)),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}},
    {.situation = "MoveKeepsThePictureItCouldNotSelect", .act = Act::Move,
     .inject = Camera(On(FaultKind::Refuse, SELECT)), .filesCopied = 2, .picturesLeft = 1},
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
    {.situation = "GetFilesTransferFails", .act = Act::GetFiles,
     .inject = Camera(On(FaultKind::Damage, PHOTO, 3, 0)),
     .reports = {{STATUS_CHECKSUM, LINK_ERR_NEXT_PACKET, OP_DOWNLOAD_PHOTO}}, .result = 0},
    {.situation = "GetFilesTargetCannotBeCreated", .act = Act::GetFiles,
     .inject = System(SysCall::CreateFileA, 1, ERROR_ACCESS_DENIED, FaultTarget::File),
     .reports = {{0, LINK_OK, OP_PHOTO_FILE}}, .result = 0},
    {.situation = "GetFilesSkipsAPictureTheCameraWillNotSelect", .act = Act::GetFiles,
     .inject = Camera(On(FaultKind::Refuse, SELECT)), .filesCopied = 1},

    // --- deleting ---
    {.situation = "CameraUnpluggedBeforeADeletion", .act = Act::Delete,
     .inject = [](FaultRig& rig) { rig.fake.system.attachPort(2, &rig.deadLine); },
     .reports = {{STATUS_READ_SHORT, LINK_ERR_NO_WAKE, OP_DELETE}}, .recovery = Recovery::Reopen,
     .target = "02-05-18"},
    {.situation = "DeleteQuestionDeclined", .act = Act::DeleteDeclined},
    {.situation = "DeleteLastRefusedIsDoneWithSelection", .act = Act::Delete,
     .inject = Camera(On(FaultKind::Refuse, DELETE_LAST)), .picturesLeft = 2, .target = "02-05-18"},
    {.situation = "DeleteRefusedBothWays", .act = Act::Delete,
     .inject = [](FaultRig& rig) {
         rig.camera.addFault(On(FaultKind::Refuse, DELETE_LAST));
         rig.camera.addFault(On(FaultKind::Refuse, DELETE_CURRENT));
     }, .reports = {{STATUS_REFUSED, LINK_ERR_ACTION, OP_DELETE}}, .target = "02-05-18"},
    {.situation = "DeleteSelectionRefused", .act = Act::Delete,
     .inject = Camera(On(FaultKind::Refuse, SELECT)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SET_REGISTER, OP_SELECT}}, .target = "02-05-17"},
    {.situation = "DeleteFailsAtTheSecondPicture", .act = Act::Delete,
     .inject = AfterCommands(1, On(FaultKind::Refuse, DELETE_CURRENT, 2)),
     .reports = {{STATUS_REFUSED, LINK_ERR_ACTION, OP_DELETE}}, .picturesLeft = 2,
     .target = "02-05-17"},
    // A deletion the camera took but did not confirm is settled by its picture count.
    {.situation = "DeleteCompletionNeverComesButTheCountShowsItDone", .act = Act::Delete,
     .inject = Camera(On(FaultKind::Completion, DELETE_LAST, 1, -1, -1)), .picturesLeft = 2,
     .target = "02-05-18"},
    {.situation = "DeleteCompletionIsAStrayByteButTheCountShowsItDone", .act = Act::Delete,
     .inject = Camera(On(FaultKind::Completion, DELETE_LAST, 1, -1, 0x42)), .picturesLeft = 2,
     .target = "02-05-18"},
    {.situation = "DeleteCompletionAndTheCountNeverComeSoTheCameraIsReadAgain",
     .act = Act::Delete,
     .inject = [](FaultRig& rig) {
         rig.camera.addFault(On(FaultKind::Completion, DELETE_LAST, 1, -1, -1));
         rig.camera.addFault(On(FaultKind::Silence, COUNT));
     }, .reports = {{STATUS_READ_SHORT, LINK_ERR_ACTION, OP_DELETE}}, .picturesLeft = 2,
     .target = "02-05-18"},
    // The wake-up sets the probes' wait and puts the answers' back; the third is the action's.
    {.situation = "DeleteTimeOutsCannotBeRestored", .act = Act::Delete,
     .inject = System(SysCall::SetCommTimeouts, 3),
     .reports = {{STATUS_TIMEOUTS, LINK_ERR_ACTION, OP_DELETE_TIMEOUTS}}, .picturesLeft = 2,
     .recovery = Recovery::Reopen, .target = "02-05-18"},
    {.situation = "CameraLosesPowerAtTheDeleteAction", .act = Act::Delete,
     .inject = Camera(On(FaultKind::PowerCycle, DELETE_CURRENT)),
     .reports = {{STATUS_READ_SHORT, LINK_ERR_ACTION, OP_DELETE}}, .recovery = Recovery::Reopen,
     .target = "02-05-17"},
    {.situation = "SpeedResetAfterTheLastDeletionRefused", .act = Act::Delete,
     .inject = AfterCommands(1, On(FaultKind::Refuse, SPEED)),
     .reports = {{STATUS_REFUSED, LINK_ERR_SPEED_RESET, OP_DELETE}}, .picturesLeft = 2,
     .target = "02-05-18"},
};
// clang-format on

class FaultMatrix : public ::testing::TestWithParam<FaultRow> {
protected:
    FaultMatrix()
        : rig({PictureOn(2002, 5, 17, 1500, 150), PictureOn(2002, 5, 17, 1200, 120),
               PictureOn(2002, 5, 18, 1000, 100)}) {}

    void act(const FaultRow& row) {
        host::HostEmulator& emulator = *rig.emulator;
        switch (row.act) {
        case Act::Open: emulator.openPanel(); return;
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
            rig.copyMarked(row.act == Act::Move, destinationOf(row), row.keys, row.verify);
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
        case Recovery::SamePanel: break;
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
        if (row.inject) row.inject(rig);
        ASSERT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
    } else {
        ASSERT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
        ASSERT_TRUE(rig.emulator->openPanel()) << rig.emulator->errorText;
        rig.user->boxes.clear();
        rig.user->screensOutstanding.clear();
        if (row.inject) row.inject(rig);
    }
    const auto before = rig.filesOnDisk();
    act(row);

    std::vector<std::string> expected;
    for (const Report& report : row.reports)
        expected.push_back(rig.failureLine(report.flags, report.link, report.operation));
    EXPECT_EQ(rig.failureLines(), expected);
    if (*row.refusalTopic != '\0') {
        ASSERT_FALSE(rig.user->boxes.empty());
        EXPECT_EQ(rig.user->boxes.back().helpTopic, row.refusalTopic);
    }
    if (*row.shownTopic != '\0') {
        EXPECT_TRUE(std::any_of(
            rig.user->boxes.begin(), rig.user->boxes.end(),
            [&row](const host::BoxRecord& box) { return box.helpTopic == row.shownTopic; }))
            << "no box with the topic " << row.shownTopic;
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
        EXPECT_TRUE(
            std::any_of(files.begin(), files.end(),
                        [&](const auto& file) { return rig.pictureFileOf(file.second) == photo; }))
            << "picture " << picture.id << " left the camera without its photo";
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
