#include "host/cli/ShownItems.h"

#include "platform/Calendar.h"
#include "platform/LocalTime.h"

#include <cstdio>

namespace pixlor::host::cli {

bool IsFolder(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t SizeOf(const PluginPanelItem& item) {
    return (std::uint64_t{item.FindData.nFileSizeHigh} << 32) | item.FindData.nFileSizeLow;
}

std::int64_t UnixSeconds(FILETIME time) {
    constexpr std::int64_t TICKS_1601_TO_1970 = 116444736000000000;
    const std::int64_t ticks =
        static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    return (ticks - TICKS_1601_TO_1970) / 10000000;
}

std::int64_t LocalSeconds(FILETIME utc) {
    FILETIME local = utc;
    fileTimeToLocalFileTime(utc, local);
    return UnixSeconds(local);
}

std::string TimeText(std::int64_t seconds, const char* format) {
    const CivilTime civil = civilFromSeconds(seconds);
    char text[40];
    std::snprintf(text, sizeof text, format, static_cast<long long>(civil.year), civil.month,
                  civil.day, civil.hour, civil.minute, civil.second);
    return text;
}

int FindItem(const DialogRequest& dialog, int type, const char* text) {
    for (int i = 0; i < dialog.count; ++i)
        if (dialog.items[i].Type == type &&
            (text == nullptr || text == std::string(dialog.items[i].Data)))
            return i;
    return -1;
}

}  // namespace pixlor::host::cli
