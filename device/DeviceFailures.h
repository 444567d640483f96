// What a failed camera operation leaves in the device's operationCode, and the groups of the
// line's status bits the device acts on.
#pragma once

#include "link/LinkFailures.h"

#include <cstdint>

namespace pixlor {

constexpr std::int32_t OP_OK = 0;
constexpr std::int32_t OP_CONNECT = 1;           // wake, speed switch, register 10, reset
constexpr std::int32_t OP_SELECT = 2;            // register 4 not taken
constexpr std::int32_t OP_PICTURE_INFO = 3;      // register 47
constexpr std::int32_t OP_DOWNLOAD_PHOTO = 4;    // picture transfer
constexpr std::int32_t OP_DOWNLOAD_THUMB = 5;    // thumbnail transfer
constexpr std::int32_t OP_DISCONNECT = 6;        // speed reset at the end
constexpr std::int32_t OP_DELETE = 7;            // waking or the delete action
constexpr std::int32_t OP_PHOTO_FILE = 9;        // picture file not created
constexpr std::int32_t OP_PHOTO_RANGE = 10;      // picture number out of range
constexpr std::int32_t OP_THUMB_FILE = 11;       // thumbnail file not created
constexpr std::int32_t OP_THUMB_RANGE = 12;      // thumbnail number out of range
constexpr std::int32_t OP_INFO_RANGE = 13;       // picture information number out of range
constexpr std::int32_t OP_SELECT_RANGE = 14;     // selection number out of range
constexpr std::int32_t OP_FOLDER_CREATE = 15;    // target folder not created
constexpr std::int32_t OP_FOLDER_MISSING = 16;   // target folder listing cannot start
constexpr std::int32_t OP_FOLDER_LIST = 17;      // target folder listing ended with an error
constexpr std::int32_t OP_DELETE_TIMEOUTS = 18;  // the completion wait's time-outs not set
constexpr std::int32_t OP_STOPPED = 19;          // the user stopped the transfer: no failure

// The camera answered, but refused or did not understand.
constexpr std::uint32_t STATUS_OUT_OF_STEP = 0x0014;
// The line itself failed: nothing more is sent to the camera.
constexpr std::uint32_t STATUS_LINE_FAILURE = 0x016A;

}  // namespace pixlor
