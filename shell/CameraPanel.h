// One open camera connection as the host sees it: the plug-in handle. It owns the camera device
// with its catalogue and the date folders of the latest root listing.
#pragma once

#include "device/CameraDevice.h"
#include "shell/FarPlugin.h"

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
    FILETIME fileTime;
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

// The file time of the picture at a catalogue position: its shooting date and time through a
// DOS date and time, with no time-zone shift.
FILETIME PictureFileTime(const PictureEntry& entry);

// Frees a folder list, node by node.
void FreeDateFolders(std::unique_ptr<DateFolder>& folders);

}  // namespace pixlor
