// One open camera connection as the host sees it: the plug-in handle. It owns the camera device
// with its catalogue and the date folders of the latest root listing.
#pragma once

#include "device/CameraDevice.h"
#include "far/FarPlugin.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pixlor {

// listingState bits.
constexpr std::uint8_t LISTING_FLAT_ROOT = 1;    // the root lists pictures
constexpr std::uint8_t LISTING_FOLDER_ROOT = 2;  // the root lists date folders
constexpr std::uint8_t LISTING_IN_FOLDER = 4;    // inside a date folder

struct DateFolder {
    char name[256];
    FILETIME firstTime;
    FILETIME lastTime;
    std::uint32_t totalSize;
    std::unique_ptr<DateFolder> next;
};

// Pictures to work on, in panel order.
struct SelectionItem {
    FILETIME fileTime;       // the time its files get (PictureDiskTime)
    std::uint32_t position;  // 0-based catalogue position; the camera's number is this + 1
};
using SelectionList = std::vector<SelectionItem>;

class CameraPanel {
public:
    CameraPanel();  // reads the port and speed settings; the camera is not contacted
    ~CameraPanel();
    CameraPanel(const CameraPanel&) = delete;
    CameraPanel& operator=(const CameraPanel&) = delete;

    const char* messageLines[2] = {nullptr, nullptr};
    std::int32_t thumbMode = 0;
    std::unique_ptr<CameraDevice> device;
    DateFolder* currentFolder = nullptr;
    std::unique_ptr<DateFolder> folders;
    std::uint8_t listingState = 0;
};

// A new folder list for `folderPattern`, one folder per distinct name (ignoring case) in the
// order their first picture occurs; `count` receives the number of folders.
std::unique_ptr<DateFolder> BuildDateFolders(CameraPanel& panel, const char* folderPattern,
                                             std::uint32_t& count);

// The date-folder name of the picture at `position`: the folder pattern's expansion, cut to the
// 255 characters a folder name holds. A pattern that fails to expand (a hand-edited setting)
// gives what it produced before the error, the same for every listing.
void FolderNameOf(CameraPanel& panel, const char* folderPattern, std::uint32_t position,
                  char (&name)[sizeof(DateFolder::name)]);

// The panel description the host shows: flags, current folder, titles and the key bar.
void GetOpenPluginInfo(CameraPanel& panel, OpenPluginInfo& info);

// Enters a listed date folder, or returns to the root for ".." and "\". False for a name that
// is not in the latest root listing.
bool SetDirectory(CameraPanel& panel, const char* directory);

// The file time of a picture's panel items: its shooting date and time through a DOS date and
// time (seconds rounded down to even), taken as the computer's local time and converted to UTC
// with the offset the host shows times with (today's), so that the host shows the camera's
// clock. Dates outside what a DOS date holds (a camera whose clock was reset to 1970, or one
// beyond 2107) give its earliest or latest time.
FILETIME PictureFileTime(const PictureEntry& entry);

// The file time of a picture's written files: the same local time converted by the rules of
// the picture's own date, so that every other tool shows the camera's clock, summer or winter.
FILETIME PictureDiskTime(const PictureEntry& entry);

// Frees a folder list, node by node.
void FreeDateFolders(std::unique_ptr<DateFolder>& folders);

}  // namespace pixlor
