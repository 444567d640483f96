#include "transfer/BatchTransfer.h"

#include "device/PictureFile.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "naming/NamePattern.h"
#include "platform/System.h"
#include "report/Messages.h"
#include "transfer/BatchSteps.h"

#include <cstdio>
#include <string>
#include <vector>

namespace pixlor {

namespace {

enum class FileOutcome { Copied, Skipped, Failed, Stopped };

// A picture that cannot be selected, has no readable information, or lies outside the camera's
// range is passed over; every other failure ends the batch.
bool SkipsFile(std::int32_t operationCode) {
    switch (operationCode) {
    case OP_SELECT:
    case OP_PICTURE_INFO:
    case OP_PHOTO_RANGE:
    case OP_THUMB_RANGE:
    case OP_INFO_RANGE:
    case OP_SELECT_RANGE: return true;
    default: return false;
    }
}

// What every file of one batch is copied with.
struct BatchCopyJob {
    CameraPanel& panel;
    const NameSettings& settings;
    const char* destination;
    int subfolderMode;
};

struct CopyPass {
    bool photo;
    bool photoFolder;  // the sub-folder is named by "PhotoPath", else by "ThumbPath"
};

CopyPass PassOf(int pairing, int pass, bool photos, bool photoFolderPattern) {
    if (pairing == PAIRING_ONE_KIND) return {photos, photoFolderPattern};
    const bool photo = pass == 1;  // the thumbnail first
    return {photo, pairing == PAIRING_OWN_FOLDERS ? photo : photoFolderPattern};
}

std::uint32_t FileSize(const PictureEntry* entry, bool photo) {
    if (entry == nullptr) return 0;
    return photo ? entry->photoSize : entry->thumbSize;
}

// The box counts every file the batch may write, and all their bytes; a photo verified counts
// its bytes twice.
void StartCounting(CameraDevice& device, const SelectionList& selection, int pairing, bool photos,
                   bool verify) {
    std::uint32_t fileCount = 0;
    std::uint32_t batchTotal = 0;
    for (const SelectionItem& item : selection) {
        const PictureEntry* entry = device.entryAt(item.position);
        if (pairing == PAIRING_ONE_KIND) {
            fileCount += 1;
            batchTotal += FileSize(entry, photos);
        } else {
            fileCount += 2;
            batchTotal += FileSize(entry, true) + FileSize(entry, false);
        }
        if (verify && (pairing != PAIRING_ONE_KIND || photos)) batchTotal += FileSize(entry, true);
    }
    StartCopyBox(fileCount, batchTotal);
}

// The folder the file goes into: the destination, or a date sub-folder of it. A stored pattern
// that does not expand gives what it produced before the error, as the panel's listing does.
bool TargetFolder(const BatchCopyJob& job, const SelectionItem& item, const CopyPass& pass,
                  char (&folder)[PATH_SIZE]) {
    const CameraPanel& panel = job.panel;
    const bool straight =
        job.subfolderMode == SUBFOLDERS_NEVER ||
        (job.subfolderMode == SUBFOLDERS_AUTO && (panel.listingState & LISTING_IN_FOLDER) != 0);
    char subfolder[NAME_BUFFER_SIZE] = "";
    if (!straight) {
        std::uint32_t position = item.position;
        ExpandNamePattern(false, position,
                          pass.photoFolder ? job.settings.photoPath : job.settings.thumbPath,
                          subfolder, panel.device->pictures.get());
    }
    const int length =
        subfolder[0] != '\0'
            ? std::snprintf(folder, sizeof(folder), "%s%s\\", job.destination, subfolder)
            : std::snprintf(folder, sizeof(folder), "%s", job.destination);
    return length >= 0 && static_cast<std::size_t>(length) < sizeof(folder);
}

// The next free running number in the folder, creating the folder (one level) when missing.
bool NextFreeNumber(const char* prefix, std::uint32_t digits, const char* folder,
                    std::int32_t& diskFailure, std::uint32_t& number) {
    if (NextPictureNumber(digits, prefix, folder, diskFailure, number)) return true;
    if (diskFailure != OP_FOLDER_MISSING) return false;
    if (!os().CreateDirectoryA(folder)) {
        diskFailure = OP_FOLDER_CREATE;
        return false;
    }
    diskFailure = OP_OK;
    return NextPictureNumber(digits, prefix, folder, diskFailure, number);
}

// The full name of the file numbered `number` in `folder`; false when it does not fit.
bool TargetName(const char* folder, const char* prefix, std::uint32_t number, std::uint32_t digits,
                char (&target)[PATH_SIZE]) {
    char fileName[NAME_BUFFER_SIZE + 32];
    const bool named = PictureFileName(fileName, sizeof(fileName), prefix, number, digits);
    const int length = std::snprintf(target, sizeof(target), "%s%s", folder, fileName);
    return named && length >= 0 && static_cast<std::size_t>(length) < sizeof(target);
}

// Downloads the file into its folder under the next free running number; `placed` receives its
// path. A name that something (a file, a folder, a link that leads nowhere) took meanwhile gives
// the next number. A fault of the disk leaves its operation code in `diskFailure`; the device's
// own failures stay in the device.
FileOutcome DownloadFile(const BatchCopyJob& job, const SelectionItem& item, const CopyPass& pass,
                         std::uint32_t size, bool resetAfter, char (&placed)[PATH_SIZE],
                         std::int32_t& diskFailure) {
    constexpr int NAMES_TRIED = 1000;
    CameraDevice& device = *job.panel.device;
    const NameSettings& settings = job.settings;
    const std::int32_t fileCode = pass.photo ? OP_PHOTO_FILE : OP_THUMB_FILE;
    char folder[PATH_SIZE];
    if (!TargetFolder(job, item, pass, folder)) {
        diskFailure = OP_FOLDER_CREATE;
        return FileOutcome::Failed;
    }
    char prefix[NAME_BUFFER_SIZE];
    std::uint32_t position = item.position;
    ExpandNamePattern(false, position, pass.photo ? settings.photoPrefix : settings.thumbPrefix,
                      prefix, device.pictures.get());
    const std::uint32_t digits = pass.photo ? settings.photoDigits : settings.thumbDigits;
    std::uint32_t number = 0;
    if (!NextFreeNumber(prefix, digits, folder, diskFailure, number)) return FileOutcome::Failed;

    char target[PATH_SIZE];
    bool named = TargetName(folder, prefix, number, digits, target);
    for (int tried = 1; named && EntryExists(target); ++tried)
        named = tried < NAMES_TRIED && number < UINT32_MAX &&
                TargetName(folder, prefix, ++number, digits, target);
    if (!named) {
        diskFailure = fileCode;
        return FileOutcome::Failed;
    }
    ShowCopyTarget(target);
    if (!CopyProgress(0, size)) return FileOutcome::Stopped;
    PictureFile file;
    const bool received = device.receivePicture(item.position + 1, pass.photo, resetAfter, target,
                                                file, CopyProgress, item.fileTime);
    // A file whole on the disk keeps its name even when the speed reset after it failed.
    if (!file.finished()) {
        if (StoppedByUser(device)) return FileOutcome::Stopped;
        return SkipsFile(device.operationCode) ? FileOutcome::Skipped : FileOutcome::Failed;
    }
    for (int tried = 1;; ++tried) {
        bool nameTaken = false;
        if (file.place(target, nameTaken)) break;
        if (!nameTaken || tried == NAMES_TRIED || number == UINT32_MAX ||
            !TargetName(folder, prefix, ++number, digits, target)) {
            diskFailure = fileCode;
            return FileOutcome::Failed;
        }
    }
    std::snprintf(placed, sizeof(placed), "%s", target);
    return received ? FileOutcome::Copied : FileOutcome::Failed;
}

FileOutcome CopyFile(const BatchCopyJob& job, const SelectionItem& item, const CopyPass& pass,
                     bool resetAfter, char (&placed)[PATH_SIZE], std::int32_t& diskFailure) {
    const PictureEntry* entry = job.panel.device->entryAt(item.position);
    const std::uint32_t size = FileSize(entry, pass.photo);
    BeginCopyFile();
    // A position the catalogue does not hold names no picture: nothing to fetch or create.
    const FileOutcome outcome =
        entry == nullptr ? FileOutcome::Skipped
                         : DownloadFile(job, item, pass, size, resetAfter, placed, diskFailure);
    EndCopyFile(size);
    return outcome;
}

// The photo read from the camera a second time and compared with its file, in the same box.
// Copied when they are the same, Skipped when they differ (the picture stays), Failed when the
// camera failed, Stopped by Esc (the file stays, a whole copy, and so does the picture).
FileOutcome VerifyPhoto(const BatchCopyJob& job, const SelectionItem& item, const char* placed,
                        bool resetAfter) {
    CameraDevice& device = *job.panel.device;
    const std::uint32_t size = FileSize(device.entryAt(item.position), true);
    if (!CopyProgress(0, size)) return FileOutcome::Stopped;
    bool same = false;
    const bool transferred =
        device.verifyPicture(item.position + 1, true, resetAfter, placed, CopyProgress, same);
    EndCopyFile(size);
    if (transferred) return same ? FileOutcome::Copied : FileOutcome::Skipped;
    if (StoppedByUser(device)) return FileOutcome::Stopped;
    return SkipsFile(device.operationCode) ? FileOutcome::Skipped : FileOutcome::Failed;
}

// A verified move keeps the picture whose photo read again differs from its file, and says so.
void TellPhotoDiffers(const std::string& file) {
    const char* lines[] = {GetMsg(MSG_MOVE_TITLE), GetMsg(MSG_VERIFY_DIFFERS), file.c_str(),
                           GetMsg(MSG_VERIFY_KEPT)};
    HostServices.Message(HostServices.ModuleNumber, FMSG_WARNING | FMSG_MB_OK, "VerifyMoves", lines,
                         4, 1);
}

// The copied picture loses its selection mark on the panel.
void ClearSelectionMark(CameraPanel& panel, std::uint32_t position) {
    PanelInfo info{};
    if (HostServices.Control(&panel, FCTL_GETPANELINFO, &info) == 0) return;
    for (int i = 0; info.PanelItems != nullptr && i < info.ItemsNumber; ++i)
        if (info.PanelItems[i].UserData == position) info.PanelItems[i].Flags &= ~PPIF_SELECTED;
    HostServices.Control(&panel, FCTL_SETSELECTION, &info);
    HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
}

// The copies are files of the other panel's folder now, whose names the listing counts: that
// panel reads its folder again, then this one is listed, keeping the marks `keepMarks` says.
void ListBothPanelsAgain(CameraPanel& panel, bool keepMarks) {
    HostServices.Control(&panel, FCTL_UPDATEANOTHERPANEL, reinterpret_cast<void*>(1));
    HostServices.Control(&panel, FCTL_REDRAWANOTHERPANEL, nullptr);
    HostServices.Control(&panel, FCTL_UPDATEPANEL,
                         keepMarks ? reinterpret_cast<void*>(1) : nullptr);
    HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
}

// A move of thumbnails alone copies them and keeps the pictures: the photos were not copied.
void TellThumbnailsMoveNothing(CameraPanel& panel) {
    panel.messageLines[0] = GetMsg(MSG_MOVE_TITLE);
    panel.messageLines[1] = GetMsg(MSG_THUMBNAIL_MOVE_KEEPS);
    HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OK, "MoveThumbnails",
                         panel.messageLines, 2, 1);
}

}  // namespace

bool BatchCopy(CameraPanel& panel, const char* destination, int pairing, bool photos,
               bool photoFolderPattern, int subfolderMode, bool move,
               std::unique_ptr<SelectionList> selection, bool verify) {
    SavedScreen screen;
    NameSettings settings;
    ReadNameSettings(settings);
    if (!selection) selection = PanelSelection(panel, settings);
    CameraDevice& device = *panel.device;
    verify = verify && move;
    StartCounting(device, *selection, pairing, photos, verify);
    const int title = move ? MSG_MOVE_TITLE : MSG_COPY_TITLE;
    StartStopWatch(title);

    const BatchCopyJob job{panel, settings, destination != nullptr ? destination : "",
                           subfolderMode};
    const int passes = pairing == PAIRING_ONE_KIND ? 1 : 2;
    const bool showsPictures = (panel.listingState & (LISTING_IN_FOLDER | LISTING_FLAT_ROOT)) != 0;
    SelectionList completed;
    std::vector<std::string> differing;
    std::uint32_t copiedPictures = 0;
    bool stopped = false;
    for (std::size_t i = 0; i < selection->size() && !stopped; ++i) {
        const SelectionItem& item = (*selection)[i];
        const bool last = i + 1 == selection->size();
        bool everyFileCopied = true;
        bool photoCopied = false;
        for (int pass = 0; pass < passes; ++pass) {
            // Esc is looked for between two files as well: a thumbnail is a single packet.
            const bool first = i == 0 && pass == 0;
            const CopyPass kind = PassOf(pairing, pass, photos, photoFolderPattern);
            const bool verifying = verify && kind.photo;
            char placed[PATH_SIZE] = "";
            std::int32_t diskFailure = OP_OK;
            FileOutcome outcome =
                first || !StopAsked()
                    ? CopyFile(job, item, kind, last && !verifying, placed, diskFailure)
                    : FileOutcome::Stopped;
            if (outcome == FileOutcome::Copied && verifying) {
                outcome = VerifyPhoto(job, item, placed, last);
                // Which of the two readings is right cannot be told: the copy goes, so that it
                // never passes for the picture, which stays on the camera.
                if (outcome == FileOutcome::Skipped && device.operationCode == OP_OK) {
                    os().DeleteFileA(placed);
                    differing.emplace_back(placed);
                }
            }
            if (outcome == FileOutcome::Stopped) {
                stopped = true;
                break;
            }
            if (outcome == FileOutcome::Failed) {
                ReportAndDisconnect(screen, device, diskFailure);
                ListBothPanelsAgain(panel, true);
                return false;
            }
            everyFileCopied = everyFileCopied && outcome == FileOutcome::Copied;
            photoCopied = photoCopied || (kind.photo && outcome == FileOutcome::Copied);
        }
        if (stopped) break;  // the picture under way is not complete
        if (everyFileCopied) ++copiedPictures;
        // Only a picture whose photo is safe on disk may leave the camera.
        if (everyFileCopied && photoCopied) completed.push_back(item);
        if (showsPictures) ClearSelectionMark(panel, item.position);
    }
    // A skipped last file, or a stop between files, leaves the camera at the fast speed: it goes
    // back to its default.
    if (device.linkReady != 0 && !DisconnectOrReport(screen, device)) {
        ListBothPanelsAgain(panel, true);
        return false;
    }
    screen.restore();
    const bool movedThumbnailsOnly =
        move && pairing == PAIRING_ONE_KIND && !photos && !selection->empty();
    const auto selected = static_cast<std::int32_t>(selection->size());
    selection.reset();

    for (const std::string& file : differing) TellPhotoDiffers(file);
    DeleteTally deletion;
    if (move && !completed.empty()) {
        // The deletion lists the panel as it goes: the other one shows the copies first.
        HostServices.Control(&panel, FCTL_UPDATEANOTHERPANEL, reinterpret_cast<void*>(1));
        StartStopWatch(title);
        BatchDelete(panel, std::make_unique<SelectionList>(std::move(completed)), &deletion);
    }
    if (stopped || deletion.stopped) {
        const std::int32_t numbers[] = {static_cast<std::int32_t>(copiedPictures), selected,
                                        static_cast<std::int32_t>(deletion.deleted)};
        ShowStopped(title, move ? MSG_MOVE_STOPPED : MSG_COPY_STOPPED, numbers);
    } else if (movedThumbnailsOnly) {
        TellThumbnailsMoveNothing(panel);
    }
    ListBothPanelsAgain(panel, false);
    return true;
}

}  // namespace pixlor
