// What the emulated host shows, as the commands read it: a panel item's kind, size and file
// time, and the items of a dialog.
#pragma once

#include "host/HostEmulator.h"

#include <cstdint>
#include <string>

namespace pixlor::host::cli {

// What a command's dialog answer returns to cancel the dialog.
constexpr int DIALOG_CANCELLED = -1;
// The shooting time as commands show it and take it: "2002-07-05T12:00:00".
constexpr const char* SHOT_FORMAT = "%04lld-%02u-%02uT%02u:%02u:%02u";

bool IsFolder(const PluginPanelItem& item);
std::uint64_t SizeOf(const PluginPanelItem& item);

// The seconds since 1970 of a file time (UTC), as a file's st_mtime holds them.
std::int64_t UnixSeconds(FILETIME time);
// The same on the computer's clock: what the file manager shows.
std::int64_t LocalSeconds(FILETIME utc);
// `seconds` since 1970 by a printf `format` of year, month, day, hour, minute and second.
std::string TimeText(std::int64_t seconds, const char* format);

// The index of the first item of `type`, or of the first item of `type` whose text is `text`.
int FindItem(const DialogRequest& dialog, int type, const char* text = nullptr);

}  // namespace pixlor::host::cli
