// Copying the selected pictures to disk, with the two-bar progress box, and deleting them on
// the camera, with its counter box.
#pragma once

#include "panel/CameraPanel.h"

#include <cstdint>
#include <memory>

namespace pixlor {

// How many kinds of file a copy writes per picture.
constexpr int PAIRING_ONE_KIND = 0;         // the kind the photos flag chooses
constexpr int PAIRING_OWN_FOLDERS = 1;      // both, each into its own kind's sub-folder
constexpr int PAIRING_SHARED_FOLDER = 2;    // both, into the sub-folder the folder flag chooses
constexpr int PAIRING_SHARED_FOLDER_2 = 3;  // the same (Alt+Ctrl)

// Where the copies go below the destination.
constexpr int SUBFOLDERS_AUTO = 0;  // a date sub-folder unless the panel is inside a date folder
constexpr int SUBFOLDERS_ALWAYS = 1;
constexpr int SUBFOLDERS_NEVER = 2;

// Copies the selection (built from the panel's selection when null) into `destination`, a folder
// path ending in "\". With `move`, the pictures whose every file was copied, their photo among
// them, are then deleted on the camera; a picture skipped because it could not be selected or
// read stays there, and a move of thumbnails alone deletes nothing and says so. With `verify`,
// a move reads each photo a second time and keeps the picture, and says so, when that differs
// from its file. Every file is written whole under a temporary name, flushed and only then
// named; a picture is deleted only after that. Esc stops it (StopAsked): the file being written
// is removed, the pictures copied whole so far are still deleted by a move (a second Esc stops
// that too), and one box says what was done. False when a failure ended the batch early
// (nothing is deleted then).
bool BatchCopy(CameraPanel& panel, const char* destination, int pairing, bool photos,
               bool photoFolderPattern, int subfolderMode, bool move,
               std::unique_ptr<SelectionList> selection, bool verify = false);

// What a batch delete did, for a move that sums up both of its halves itself.
struct DeleteTally {
    std::uint32_t deleted = 0;
    bool stopped = false;
};

// Deletes the selection (built from the panel's selection when null) on the camera, one
// picture after another; a picture named twice is deleted once. Esc stops it between two
// pictures, and a box says how many were deleted; with `tally`, the caller has started the stop
// watch and sums up itself. False when a deletion failed.
bool BatchDelete(CameraPanel& panel, std::unique_ptr<SelectionList> selection,
                 DeleteTally* tally = nullptr);

}  // namespace pixlor
