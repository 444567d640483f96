// The pictures a command works on, and the walk over the camera's date folders that copy, move
// and delete share. A command chooses its pictures once, by number (#3), shooting time
// (@2002-07-05T12:00:00, or @2002-07-05 a whole day) or name; the walk then finds them again
// before each key press by size, time and order, since names and numbers change as it goes,
// and presses the command's key in each date folder over the pictures chosen there.
#pragma once

#include "host/HostEmulator.h"
#include "host/cli/CommandProgress.h"
#include "host/cli/TerminalUser.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace pixlor::host::cli {

// Visits every item of the panel's root and of each of its folders, then goes back to the root.
void ForEachPicture(HostEmulator& emulator,
                    const std::function<void(const std::string&, const PluginPanelItem&)>& visit);

// "FOLDER/" as "FOLDER", the way the panel names it.
std::string WithoutTrailingSlashes(std::string item);

// One picture as it was when the command began. It is found again by its size and shooting
// time, and among pictures of the same size and time by its order on the camera (`twin`): its
// name follows the running numbers of the destination and the date folder pattern, and its
// number moves up when an earlier picture is deleted.
struct ChosenPicture {
    std::string folder;  // "" the root
    std::string name;
    std::uint32_t number = 0;  // on the camera, from 1
    std::uint64_t size = 0;
    std::int64_t time = 0;  // the file time, in seconds since 1970
    std::int64_t shot = 0;  // the same on the computer's clock: the camera's hour
    int twin = 0;           // how many pictures of this size and time come before it
    bool sameAs(const ChosenPicture& other) const {
        return size == other.size && time == other.time && twin == other.twin;
    }
    std::string shown() const { return (folder.empty() ? "" : folder + "/") + name; }
};

// The pictures of one panel folder ("" the root) that one key press works on.
struct PictureGroup {
    std::string folder;  // "" the root
    std::vector<ChosenPicture> entries;
};

// Every picture the panel shows, in camera order.
std::vector<ChosenPicture> EveryPicture(HostEmulator& emulator);

// "#3 @2002-07-05T12:00:00 81234 02-07-05/pic05.07.2002_001.jpg": what selects the picture
// for good, its size, and its name now.
std::string PictureLine(const ChosenPicture& picture, OemCodePage page);

// The pictures of `every` the items name (all when there are none), in camera order; false
// with the reason in `why` for an item that is malformed or names nothing.
bool ChoosePictures(const std::vector<ChosenPicture>& every, const std::vector<std::string>& items,
                    OemCodePage page, std::vector<ChosenPicture>& chosen, std::string& why);

// Where the panel shows the chosen pictures now, by folder.
std::vector<PictureGroup> LocatePictures(HostEmulator& emulator,
                                         const std::vector<ChosenPicture>& chosen);

// Complete files, or the files being written (known by their names).
enum class FileKind { Complete, BeingWritten };

// The files the plug-in writes in: `folder` and its sub-folders (the date folders), a link to a
// folder followed, as the plug-in writes through it; each file once, by its own path.
std::set<std::filesystem::path> FilesBelow(const std::filesystem::path& folder,
                                           FileKind kind = FileKind::Complete);

// What the plug-in's progress boxes have told during a walk.
struct WalkProgress {
    // Files being written that were there before: another run's.
    std::set<std::filesystem::path> known;
    int fileOrdinal = 0;
    int groupDeletions = 0;  // "Deleting picture k of n": the k of the current key press
    int deleted = 0;
    std::string fileBeingWritten;
};

// Follows the plug-in's progress boxes into `walk` (the file being written is looked for below
// `destination`, none when it is empty); a copy's are shown with the command's figures.
void WatchProgress(TerminalUser& user, const LanguageFile& texts, WalkProgress& walk,
                   const std::string& destination, CommandProgress* progress = nullptr);

// What a box that a key press showed tells the walk.
enum class BoxTells { Nothing, Failure, DeleteFailure };

// Presses a key (`press`) in each group's folder with the group's pictures selected, and goes
// back to the root after each. `read` reads every box the key press showed; the pictures the
// plug-in deleted count into `walk.deleted`, but for the one whose delete failed. Stops when
// interrupted, when the panel has closed, or after a key press with a failure: true then.
bool PressInEachFolder(HostEmulator& emulator, TerminalUser& user,
                       const std::vector<PictureGroup>& groups, WalkProgress& walk,
                       const std::function<void()>& press,
                       const std::function<BoxTells(const BoxRecord&)>& read);

}  // namespace pixlor::host::cli
