#include "report/Messages.h"

#include "device/CameraDevice.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "naming/NamePattern.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace pixlor {

namespace {

constexpr DWORD ERROR_BOX_FLAGS = FMSG_WARNING | FMSG_MB_OK;
constexpr const char* ERROR_HELP_TOPIC = "Errors";
constexpr std::size_t MAX_FORMATTED_NUMBERS = 4;
// No answer at all, or a read or write the system refused.
constexpr std::uint32_t STATUS_LINE_WENT_AWAY = STATUS_READ_SHORT | STATUS_NOT_OPEN | STATUS_WRITE;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a width or precision of at most two digits; false for a longer one.
bool ReadShortNumber(const char*& cursor, std::size_t& value) {
    value = 0;
    for (int digits = 0; IsDigit(*cursor); ++cursor) {
        if (++digits > 2) return false;
        value = value * 10 + static_cast<std::size_t>(*cursor - '0');
    }
    return true;
}

// The most bytes `format` can expand to when it holds only plain integer conversions (flags,
// a width and a precision of up to two digits each), at most `maxConversions` of them; 0 when
// it holds anything else, which would make the host read arguments it was never given.
std::size_t IntegerFormatBound(const char* format, std::size_t maxConversions) {
    constexpr std::size_t LONGEST_NUMBER = 24;  // sign, "0x", 11 octal digits and some to spare
    std::size_t bound = 1;
    std::size_t conversions = 0;
    for (const char* cursor = format; *cursor != '\0';) {
        if (*cursor != '%' || cursor[1] == '%') {  // a plain character, or "%%" for one "%"
            cursor += *cursor == '%' ? 2 : 1;
            ++bound;
            continue;
        }
        ++cursor;
        while (*cursor != '\0' && std::strchr("-+ #0", *cursor) != nullptr) ++cursor;
        std::size_t width = 0;
        std::size_t precision = 0;
        if (!ReadShortNumber(cursor, width)) return 0;
        if (*cursor == '.' && !ReadShortNumber(++cursor, precision)) return 0;
        if (*cursor == '\0' || std::strchr("diuxXo", *cursor) == nullptr) return 0;
        ++cursor;
        if (++conversions > maxConversions) return 0;
        bound += std::max(width, precision) + LONGEST_NUMBER;
    }
    return bound;
}

// The numbers alone, one blank between them, for a language-file text that cannot be used.
std::string PlainNumbersFormat(std::size_t count) {
    std::string format;
    for (std::size_t i = 0; i < count; ++i) format += i == 0 ? "%d" : " %d";
    return format;
}

int ShowErrorBox(const std::vector<const char*>& items) {
    return HostServices.Message(HostServices.ModuleNumber, ERROR_BOX_FLAGS, ERROR_HELP_TOPIC,
                                items.data(), static_cast<int>(items.size()), 0);
}

int SettingsTitle(std::int32_t kind) {
    switch (kind) {
    case DETAIL_PHOTO_NAME: return MSG_TITLE_PHOTO_NAME;
    case DETAIL_THUMB_NAME: return MSG_TITLE_THUMB_NAME;
    case DETAIL_PHOTO_FOLDER:
    case DETAIL_PHOTO_BLANK: return MSG_TITLE_PHOTO_FOLDER;
    case DETAIL_THUMB_FOLDER:
    case DETAIL_THUMB_BLANK: return MSG_TITLE_THUMB_FOLDER;
    case DETAIL_PHOTO_DIGITS: return MSG_TITLE_PHOTO_DIGITS;
    case DETAIL_THUMB_DIGITS: return MSG_TITLE_THUMB_DIGITS;
    default: return 0;
    }
}

// The line that says why a pattern was refused; 0 for a code the check never leaves.
int PatternErrorLine(std::int32_t patternCode) {
    switch (patternCode) {
    case PATTERN_ERR_FIELD: return MSG_PATTERN_FIELD;
    case PATTERN_ERR_WIDTH: return MSG_PATTERN_WIDTH;
    case PATTERN_ERR_CHARACTER: return MSG_PATTERN_CHARACTER;
    case PATTERN_ERR_TOO_LONG: return MSG_PATTERN_TOO_LONG;
    case PATTERN_ERR_CONTROL: return MSG_PATTERN_CONTROL;
    case PATTERN_ERR_DOTS: return MSG_PATTERN_DOTS;
    case PATTERN_ERR_BLANKS: return MSG_PATTERN_BLANKS;
    default: return 0;
    }
}

int SettingsReport(std::int32_t patternCode, const SettingsDetail& detail) {
    const int title = SettingsTitle(detail.kind);
    if (title == 0) return -1;
    std::vector<const char*> items{GetMsg(title)};
    char line[MESSAGE_LINE_SIZE];
    switch (detail.kind) {
    case DETAIL_PHOTO_NAME:
    case DETAIL_THUMB_NAME:
    case DETAIL_PHOTO_FOLDER:
    case DETAIL_THUMB_FOLDER: {
        const std::int32_t position[] = {detail.value};
        FormatNumberLine(line, sizeof line, GetMsg(MSG_PATTERN_POSITION), position);
        items.push_back(line);
        if (const int why = PatternErrorLine(patternCode); why != 0) items.push_back(GetMsg(why));
        break;
    }
    case DETAIL_PHOTO_DIGITS:
    case DETAIL_THUMB_DIGITS:
        // The dialog names the line to show; only its two digit-count lines belong here.
        if (detail.value == MSG_DIGITS_TOO_FEW || detail.value == MSG_NAME_TOO_LONG)
            items.push_back(GetMsg(detail.value));
        break;
    default: items.push_back(GetMsg(MSG_FOLDER_BLANK)); break;
    }
    return ShowErrorBox(items);
}

}  // namespace

void FormatNumberLine(char* line, std::size_t lineSize, const char* format,
                      std::span<const std::int32_t> numbers) {
    if (lineSize == 0) return;
    std::int32_t arguments[MAX_FORMATTED_NUMBERS] = {};
    const std::size_t count = std::min(numbers.size(), MAX_FORMATTED_NUMBERS);
    std::copy_n(numbers.begin(), count, arguments);

    std::string fallback;
    std::size_t bound = format != nullptr ? IntegerFormatBound(format, count) : 0;
    if (bound == 0) {
        fallback = PlainNumbersFormat(count);
        format = fallback.c_str();
        bound = IntegerFormatBound(format, count);
    }
    // Redrawn after every data packet: the scratch grows once and is kept.
    static std::vector<char> scratch;
    if (scratch.size() < bound) scratch.resize(bound);
    HostServices.FSF->sprintf(scratch.data(), format, arguments[0], arguments[1], arguments[2],
                              arguments[3]);
    const std::size_t length = std::min(std::strlen(scratch.data()), lineSize - 1);
    std::memcpy(line, scratch.data(), length);
    line[length] = '\0';
}

SavedScreen::SavedScreen() : handle_(HostServices.SaveScreen(0, 0, -1, -1)) {}

void SavedScreen::restore() {
    if (restored_) return;
    restored_ = true;
    HostServices.RestoreScreen(handle_);
}

int ShowMessage(int messageNumber) {
    const char* items[] = {GetMsg(MSG_TITLE), GetMsg(messageNumber)};
    return HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OK, "", items, 2, 0);
}

int ErrorReport(std::int32_t patternCode, std::int32_t operationCode, std::int32_t linkErrorCode,
                std::uint32_t portStatusFlags, const SettingsDetail* detail) {
    if (patternCode != 0) return detail != nullptr ? SettingsReport(patternCode, *detail) : -1;

    char line[MESSAGE_LINE_SIZE];
    const std::int32_t numbers[] = {static_cast<std::int32_t>(portStatusFlags), linkErrorCode,
                                    operationCode};
    FormatNumberLine(line, sizeof line, GetMsg(MSG_CAMERA_NUMBERS), numbers);
    // A line that fell silent or that the system no longer serves is a matter of the cable,
    // the adapter or the camera, not of the speed; the next operation opens the port again.
    if ((portStatusFlags & STATUS_LINE_WENT_AWAY) != 0)
        return ShowErrorBox(
            {GetMsg(MSG_TITLE), GetMsg(MSG_CAMERA_FAILED), line, GetMsg(MSG_LINE_WENT_AWAY)});
    return ShowErrorBox({GetMsg(MSG_TITLE), GetMsg(MSG_CAMERA_FAILED), line});
}

void ReportCameraFailure(SavedScreen& screen, const CameraDevice& device,
                         std::int32_t diskFailure) {
    screen.restore();
    const CameraLink* link = device.link.get();
    ErrorReport(0, diskFailure != OP_OK ? diskFailure : device.operationCode,
                link != nullptr ? link->errorCode : LINK_OK,
                link != nullptr ? link->lineStatus() : 0, nullptr);
}

bool DisconnectOrReport(SavedScreen& screen, CameraDevice& device) {
    if (device.disconnect()) return true;
    ReportCameraFailure(screen, device);
    return false;
}

void ReportAndDisconnect(SavedScreen& screen, CameraDevice& device, std::int32_t diskFailure) {
    ReportCameraFailure(screen, device, diskFailure);
    DisconnectOrReport(screen, device);
}

}  // namespace pixlor
