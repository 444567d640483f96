// The plug-in's boxes: a plain notice, the warning that explains a refused setting or a failed
// camera operation, and the failure step every camera operation shares.
#pragma once

#include "device/DeviceFailures.h"
#include "platform/Win32Api.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pixlor {

class CameraDevice;

// Which setting a refused input concerns, and how it failed.
enum SettingsDetailKind : std::int32_t {
    DETAIL_PHOTO_NAME = 1,    // "PhotoPrefix": the pattern check failed
    DETAIL_THUMB_NAME = 2,    // "ThumbPrefix": the pattern check failed
    DETAIL_PHOTO_FOLDER = 3,  // "PhotoPath": the pattern check failed
    DETAIL_THUMB_FOLDER = 4,  // "ThumbPath": the pattern check failed
    DETAIL_PHOTO_DIGITS = 5,  // "PhotoSuffix": too few digits, or the name too long
    DETAIL_THUMB_DIGITS = 6,  // "ThumbSuffix": too few digits, or the name too long
    DETAIL_PHOTO_BLANK = 7,   // "PhotoPath" consists of blanks only
    DETAIL_THUMB_BLANK = 8,   // "ThumbPath" consists of blanks only
};

struct SettingsDetail {
    std::int32_t kind;
    // Kinds 1..4: the 1-based position of the failing character; 5 and 6: the message to show.
    std::int32_t value;
};

// The whole screen, saved at the start of a camera operation and restored exactly once: by the
// first failure report, or at the end of the operation (the destructor).
class SavedScreen {
public:
    SavedScreen();
    ~SavedScreen() { restore(); }
    SavedScreen(const SavedScreen&) = delete;
    SavedScreen& operator=(const SavedScreen&) = delete;
    void restore();

private:
    HANDLE handle_;
    bool restored_ = false;
};

// The size of a box line that holds numbers formatted into a language-file text.
constexpr std::size_t MESSAGE_LINE_SIZE = 100;

// Formats `numbers` (at most 4) into `line` with the host's sprintf, using a language-file text
// as the format, and cuts the result to the line's size. The host's sprintf is unbounded, so a
// text that asks for anything but integers, or for more of them than given, is never handed to
// it: the numbers alone are shown instead.
void FormatNumberLine(char* line, std::size_t lineSize, const char* format,
                      std::span<const std::int32_t> numbers);

// A notice with the plug-in's title, one message and an OK button.
int ShowMessage(int messageNumber);

// The warning box. Settings shape: first argument not 0 (the pattern error code for kinds 1..4,
// 1 otherwise) with the detail. Camera shape: first argument 0, detail null, the three numbers.
int ErrorReport(std::int32_t patternCode, std::int32_t operationCode, std::int32_t linkErrorCode,
                std::uint32_t portStatusFlags, const SettingsDetail* detail);

// Restores the operation's saved screen (once) and reports the device's failure, or a fault of
// the disk in the middle of a batch (`diskFailure`, an operation code), with what the link and
// its port were left with.
void ReportCameraFailure(SavedScreen& screen, const CameraDevice& device,
                         std::int32_t diskFailure = OP_OK);

// Returns the camera to its default speed and closes the port; false after the failure of
// that was reported.
bool DisconnectOrReport(SavedScreen& screen, CameraDevice& device);

// Ends an operation after a failed camera step: the report, then the disconnect, with a second
// report when that fails too.
void ReportAndDisconnect(SavedScreen& screen, CameraDevice& device,
                         std::int32_t diskFailure = OP_OK);

}  // namespace pixlor
