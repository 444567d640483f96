#include "host/cli/Commands.h"

#include "config/SettingsStore.h"
#include "device/DeviceFailures.h"
#include "far/MessageNumbers.h"
#include "host/cli/DateFolderWalk.h"
#include "host/cli/Interrupts.h"
#include "host/cli/Patterns.h"
#include "host/cli/ShownItems.h"
#include "host/cli/Texts.h"
#include "naming/NamePattern.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sys/stat.h>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t LONGEST_DESTINATION = 250;  // the plug-in's limit: its paths hold 259

// The settings a copy names its files and date folders by.
struct CopyPatterns {
    std::vector<const char*> names;    // SETTING_PHOTO_PREFIX, SETTING_THUMB_PREFIX
    std::vector<const char*> folders;  // SETTING_PHOTO_PATH, SETTING_THUMB_PATH; none: no folders
};

// The date folders are named as the key chooses: by the pattern of the kind copied, of the
// kind shown when both go into one folder, or each kind by its own.
CopyPatterns PatternsOf(const CopyChoice& choice, SubfolderMode subfolders) {
    CopyPatterns patterns;
    const bool photos = choice.kinds != CopyKinds::One || choice.photos;
    const bool thumbnails = choice.kinds != CopyKinds::One || !choice.photos;
    if (photos) patterns.names.push_back(SETTING_PHOTO_PREFIX);
    if (thumbnails) patterns.names.push_back(SETTING_THUMB_PREFIX);
    if (subfolders == SubfolderMode::Never) return patterns;
    if (choice.kinds == CopyKinds::BothOwnFolders) {
        patterns.folders = {SETTING_PHOTO_PATH, SETTING_THUMB_PATH};
    } else {
        const bool byPhoto = choice.photoFolders.value_or(
            choice.kinds == CopyKinds::One ? choice.photos : !choice.thumbnailView);
        patterns.folders = {byPhoto ? SETTING_PHOTO_PATH : SETTING_THUMB_PATH};
    }
    return patterns;
}

bool IsPhotoSetting(const char* name) {
    return name == SETTING_PHOTO_PREFIX || name == SETTING_PHOTO_PATH;
}

// A pattern as the plug-in reads it: the stored text, else the default; blanks only: none.
std::string PatternInForce(const char* name) {
    std::string text = name == SETTING_PHOTO_PREFIX   ? DEFAULT_PHOTO_PREFIX
                       : name == SETTING_THUMB_PREFIX ? DEFAULT_THUMB_PREFIX
                       : name == SETTING_PHOTO_PATH   ? DEFAULT_PHOTO_PATH
                                                      : DEFAULT_THUMB_PATH;
    ReadStoredText(name, text);
    if (BlanksOnly(text.c_str())) text.clear();
    return text;
}

unsigned DigitsInForce(bool photo) {
    DWORD digits = DEFAULT_DIGITS;
    ReadStoredNumber(photo ? SETTING_PHOTO_SUFFIX : SETTING_THUMB_SUFFIX, digits);
    return ClampDigitCount(digits);
}

// The first pattern of the copy that does not expand, in words: one given for this copy, or
// one stored in the settings, which the plug-in would cut short at its fault.
std::string CopyPatternProblem(const CopyPatterns& patterns, const TransferRequest& request) {
    const auto check = [&](const char* name, bool isFile, const std::optional<std::string>& given) {
        const std::string pattern = given ? *given : PatternInForce(name);
        const std::string problem =
            PatternProblem(pattern, isFile ? DigitsInForce(IsPhotoSetting(name)) : 0);
        if (problem.empty()) return problem;
        if (given)
            return std::string(isFile ? "--filename" : "--folder") + " \"" + pattern +
                   "\": " + problem;
        const char* what = name == SETTING_PHOTO_PREFIX   ? "--photo-name"
                           : name == SETTING_THUMB_PREFIX ? "--thumb-name"
                           : name == SETTING_PHOTO_PATH   ? "--photo-folder"
                                                          : "--thumb-folder";
        return Fill(Tr("the pattern \"{}\" of the settings cannot be used: {}; `pixlor config {} "
                       "PATTERN` stores another, --filename and --folder name one for a copy"),
                    {pattern, problem, what});
    };
    for (const char* name : patterns.names)
        if (std::string problem = check(name, true, request.filename); !problem.empty())
            return problem;
    for (const char* folder : patterns.folders)
        if (std::string problem = check(folder, false, request.folder); !problem.empty())
            return problem;
    return {};
}

// What the copy will do, as the status line says it: the kinds, and where they go.
std::string WhatHappens(const TransferRequest& request, const CopyPatterns& patterns,
                        const std::string& target) {
    const CopyChoice& choice = request.choice;
    const auto place = [&](const std::string& kinds, const char* folderSetting) {
        const std::string folder = folderSetting == nullptr ? "" : PatternInForce(folderSetting);
        return folder.empty()
                   ? Fill(Tr("{} straight into {}"), {kinds, target})
                   : Fill(Tr("{} into date folders {} below {}"), {kinds, folder, target});
    };
    std::string what;
    if (choice.kinds == CopyKinds::BothOwnFolders && !patterns.folders.empty())
        what = place(Tr("photos"), SETTING_PHOTO_PATH) + Tr(" and ") +
               place(Tr("thumbnails"), SETTING_THUMB_PATH);
    else
        what = place(choice.kinds != CopyKinds::One ? Tr("photos and thumbnails")
                     : choice.photos                ? Tr("photos")
                                                    : Tr("thumbnails"),
                     patterns.folders.empty() ? nullptr : patterns.folders.front());
    // A move of thumbnails alone copies them and deletes nothing, as the plug-in says after it.
    const bool moves = choice.move && (choice.kinds != CopyKinds::One || choice.photos);
    return Fill(moves ? Tr("Moving {}") : Tr("Copying {}"), {what});
}

// The bytes a copy of `chosen` writes: the sizes the panel lists for the kind it shows, and
// those of the other kind, read from the other view by camera number, when that kind is copied.
std::uint64_t BytesToCopy(HostEmulator& emulator, const std::vector<ChosenPicture>& chosen,
                          const CopyChoice& choice) {
    const bool shownKind = choice.kinds != CopyKinds::One || choice.photos != choice.thumbnailView;
    const bool otherKind = choice.kinds != CopyKinds::One || !shownKind;
    std::map<std::uint32_t, std::uint64_t> otherSizes;
    if (otherKind) {
        emulator.pressKey(VK_F7);
        for (const ChosenPicture& picture : EveryPicture(emulator))
            otherSizes[picture.number] = picture.size;
        emulator.pressKey(VK_F7);
    }
    std::uint64_t bytes = 0;
    for (const ChosenPicture& picture : chosen)
        bytes += (shownKind ? picture.size : 0) + (otherKind ? otherSizes[picture.number] : 0);
    return bytes;
}

// What keeps DEST (`destination` absolute, `target` as the plug-in is given it) from taking the
// copy, in words; empty when nothing does.
std::string DestinationProblem(const TransferRequest& request, const fs::path& destination,
                               const std::string& target, bool exists) {
    std::error_code error;
    if (exists && !fs::is_directory(destination, error))
        return Fill(Tr("{}: not a folder"), {request.destination});
    const bool parentExists = fs::is_directory(fs::path(target).parent_path(), error);
    if (!exists && !request.makeDestination && !parentExists)
        return Fill(Tr("{}: no such folder, nor its parent (--mkdir makes them)"),
                    {request.destination});
    if (target.size() > LONGEST_DESTINATION)
        return Fill(Tr("{}: the plug-in takes folders of at most {} characters, this one "
                       "has {}"),
                    {request.destination, std::to_string(LONGEST_DESTINATION),
                     std::to_string(target.size())});
    return {};
}

// --new: takes from `chosen` each picture whose file is below `destination` already (the same
// size and time, under any name; a file stands for one picture); how many it took.
int DropThoseOnDisk(std::vector<ChosenPicture>& chosen, const fs::path& destination) {
    int alreadyThere = 0;
    std::multiset<std::pair<std::uint64_t, std::int64_t>> onDisk;
    for (const fs::path& file : FilesBelow(destination)) {
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0)
            onDisk.insert({static_cast<std::uint64_t>(info.st_size), info.st_mtime});
    }
    const auto onDiskAlready = [&](const ChosenPicture& picture) {
        const auto found = onDisk.find({picture.size, picture.time});
        if (found == onDisk.end()) return false;
        onDisk.erase(found);
        ++alreadyThere;
        return true;
    };
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), onDiskAlready), chosen.end());
    return alreadyThere;
}

// The copy dialog answered: `target` as the folder, the date sub-folders as `subfolders` says,
// the verify box ticked for move --verify.
int AnswerWhereToCopy(DialogRequest& dialog, const std::string& target, SubfolderMode subfolders,
                      bool verify) {
    const int edit = FindItem(dialog, DI_EDIT);
    const int firstRadio = FindItem(dialog, DI_RADIOBUTTON);
    const int ok = FindItem(dialog, DI_BUTTON);
    if (dialog.helpTopic != "WhereToCopy" || edit < 0 || firstRadio < 0 || ok < 0)
        return DIALOG_CANCELLED;
    dialog.setText(edit, target);
    dialog.selectRadio(firstRadio + static_cast<int>(subfolders));
    if (const int verifyBox = FindItem(dialog, DI_CHECKBOX); verifyBox >= 0 && verify)
        dialog.items[verifyBox].Param.Selected = 1;
    return ok;
}

// What a copy counts in its last line.
struct CopyTally {
    int perPicture = 1;  // 2 when photos and thumbnails are copied together
    int selectedFiles = 0;
    long long copied = 0;  // the files that are new below DEST
    int deleted = 0;       // the pictures a move deleted on the camera
    int fresh = 0;         // --new: the pictures not below DEST before
    int alreadyThere = 0;
};

std::string DoneText(const TransferRequest& request, const CopyTally& tally) {
    const auto count = [&](long long n) {
        return tally.perPicture == 1 ? CountOf(n, "picture", "pictures")
                                     : CountOf(n, "file", "files");
    };
    std::string done = tally.copied < tally.selectedFiles
                           ? Fill(Tr("{} of {} copied"),
                                  {std::to_string(tally.copied), count(tally.selectedFiles)})
                           : Fill(Tr("{} copied"), {count(tally.copied)});
    if (request.choice.move)
        done += tally.deleted == 0
                    ? Tr(", none deleted on the camera")
                    : Fill(Tr(", {} deleted on the camera"), {std::to_string(tally.deleted)});
    if (request.onlyNew)
        done += Fill(Tr(" ({} new, {} already there)"),
                     {std::to_string(tally.fresh), std::to_string(tally.alreadyThere)});
    return done;
}

// The date folders of `groups` below `destination` whose names a file holds.
std::vector<std::string> BlockedFolders(const std::vector<PictureGroup>& groups,
                                        const fs::path& destination, SubfolderMode subfolders) {
    std::error_code error;
    std::vector<std::string> blocked;
    for (const PictureGroup& group : groups) {
        const fs::path where = destination / group.folder;
        if (!group.folder.empty() && subfolders != SubfolderMode::Never &&
            fs::exists(where, error) && !fs::is_directory(where, error))
            blocked.push_back(where.string());
    }
    return blocked;
}

}  // namespace

int Commands::transfer(const TransferRequest& request) {
    std::error_code error;
    const fs::path destination = fs::absolute(request.destination, error).lexically_normal();
    std::string target = destination.string();
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    const bool exists = fs::exists(destination, error);
    if (const std::string problem = DestinationProblem(request, destination, target, exists);
        !problem.empty())
        return usage(problem);
    const CopyPatterns patterns = PatternsOf(request.choice, request.subfolders);
    if (const std::string problem = CopyPatternProblem(patterns, request); !problem.empty())
        return usage(problem);

    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.choice.thumbnailView) emulator->pressKey(VK_F7);
    std::vector<ChosenPicture> chosen;
    if (std::string why; !ChoosePictures(EveryPicture(*emulator), request.items,
                                         user_.style().codePage, chosen, why))
        return usage(why);

    // Every name is resolved: only now is anything changed.
    CopyTally tally;
    if (request.onlyNew) {
        tally.alreadyThere = DropThoseOnDisk(chosen, destination);
        tally.fresh = static_cast<int>(chosen.size());
    }
    if (!exists) {
        if (!fs::create_directories(destination, error))
            return usage(Fill(Tr("{}: the folder cannot be made: {}"), {target, error.message()}));
        user_.status(Printable(Fill(Tr("{} made"), {target})));
    }
    // Patterns for this copy only: the panel shows its pictures by them from now on.
    if (request.filename || request.folder) {
        if (std::string why; !oneCommand_.begin(why)) return usage(why);
        for (const char* name : patterns.names)
            if (request.filename) WriteStoredText(name, *request.filename);
        for (const char* folder : patterns.folders)
            if (request.folder) WriteStoredText(folder, *request.folder);
    }
    const std::vector<PictureGroup> groups = LocatePictures(*emulator, chosen);
    tally.perPicture = request.choice.kinds == CopyKinds::One ? 1 : 2;
    tally.selectedFiles = static_cast<int>(chosen.size()) * tally.perPicture;
    if (!chosen.empty()) user_.status(Printable(WhatHappens(request, patterns, target)));

    CommandProgress progress(tally.selectedFiles, BytesToCopy(*emulator, chosen, request.choice),
                             texts_->message(MSG_COPY_FILE_LINE),
                             texts_->message(MSG_COPY_BATCH_LINE));
    WalkProgress walk;
    walk.known = FilesBelow(destination, FileKind::BeingWritten);
    const auto before = FilesBelow(destination);
    WatchProgress(user_, *texts_, walk, target, &progress);
    const std::size_t firstBox = user_.answeredBoxes().size();
    // The same pictures land the same way however they were named: a picture named inside its
    // date folder goes into that date folder below DEST, as when the folder is named whole.
    const SubfolderMode subfolders =
        request.subfolders == SubfolderMode::Never ? SubfolderMode::Never : SubfolderMode::Always;
    const KeyStroke stroke = CopyKeyFor(request.choice);
    const auto press = [&] {
        emulator->setDiskDirectory(target);
        user_.dialogAnswer = [&](DialogRequest& dialog) {
            return AnswerWhereToCopy(dialog, target, subfolders, request.verify);
        };
        // Each key press numbers its files from 1 again.
        walk.fileOrdinal = 0;
        progress.startBatch();
        emulator->pressKey(stroke.key, stroke.controlState);
        user_.dialogAnswer = nullptr;
    };
    const auto read = [&](const BoxRecord& box) {
        CameraFailure failure;
        if (!ReadCameraFailure(box, *texts_, failure)) return BoxTells::Nothing;
        return failure.operation == OP_DELETE ? BoxTells::DeleteFailure : BoxTells::Failure;
    };
    const bool failed = PressInEachFolder(*emulator, user_, groups, walk, press, read);
    user_.noticeSeen = nullptr;
    SetFileBeingWritten("");

    const auto after = FilesBelow(destination);
    std::vector<fs::path> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    tally.copied = static_cast<long long>(added.size());
    tally.deleted = walk.deleted;
    const std::string done = DoneText(request, tally);
    const FailureContext context{port_.described(),
                                 "",
                                 port_.baud,
                                 walk.fileOrdinal,
                                 tally.selectedFiles,
                                 walk.fileBeingWritten,
                                 target,
                                 BlockedFolders(groups, destination, subfolders),
                                 tally.perPicture};
    if (InterruptSignal() != 0) return interrupted(done);
    if (explainFailures(firstBox, context) || failed) {
        streams_.out << done << std::endl;
        return EXIT_CAMERA_FAILED;
    }
    if (!user_.quiet) streams_.out << done << Fill(Tr(" into {}"), {target}) << std::endl;
    return user_.warned("Errors") ? EXIT_CAMERA_FAILED : EXIT_DONE;
}

}  // namespace pixlor::host::cli
