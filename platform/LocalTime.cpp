#include "platform/LocalTime.h"

#ifndef _WIN32
#include "platform/Calendar.h"

#include <cstdint>
#include <ctime>
#endif

namespace pixlor {

#ifdef _WIN32

bool localFileTimeToFileTime(const FILETIME& local, FILETIME& utc) {
    return ::LocalFileTimeToFileTime(&local, &utc) != 0;
}

bool fileTimeToLocalFileTime(const FILETIME& utc, FILETIME& local) {
    return ::FileTimeToLocalFileTime(&utc, &local) != 0;
}

#else

namespace {

constexpr std::int64_t TICKS_PER_SECOND = 10000000;
constexpr std::int64_t SECONDS_1601_TO_1970 = 11644473600;

std::int64_t TicksOf(const FILETIME& time) {
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) |
                                     time.dwLowDateTime);
}

bool StoreTicks(std::int64_t ticks, FILETIME& time) {
    if (ticks < 0) return false;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return true;
}

}  // namespace

bool localFileTimeToFileTime(const FILETIME& local, FILETIME& utc) {
    const std::int64_t ticks = TicksOf(local);
    const std::int64_t seconds = ticks / TICKS_PER_SECOND - SECONDS_1601_TO_1970;
    const CivilTime civil = civilFromSeconds(seconds);
    std::tm fields{};
    fields.tm_year = static_cast<int>(civil.year - 1900);
    fields.tm_mon = static_cast<int>(civil.month) - 1;
    fields.tm_mday = static_cast<int>(civil.day);
    fields.tm_hour = static_cast<int>(civil.hour);
    fields.tm_min = static_cast<int>(civil.minute);
    fields.tm_sec = static_cast<int>(civil.second);
    fields.tm_isdst = -1;  // summer or winter time as the zone's rules have it on that date
    const std::time_t universal = std::mktime(&fields);
    if (universal == static_cast<std::time_t>(-1)) return false;
    return StoreTicks((static_cast<std::int64_t>(universal) + SECONDS_1601_TO_1970) *
                              TICKS_PER_SECOND +
                          ticks % TICKS_PER_SECOND,
                      utc);
}

bool fileTimeToLocalFileTime(const FILETIME& utc, FILETIME& local) {
    const std::int64_t ticks = TicksOf(utc);
    const auto universal = static_cast<std::time_t>(ticks / TICKS_PER_SECOND - SECONDS_1601_TO_1970);
    std::tm fields{};
    if (localtime_r(&universal, &fields) == nullptr) return false;
    const std::int64_t seconds =
        daysFromCivil(fields.tm_year + 1900, static_cast<unsigned>(fields.tm_mon + 1),
                      static_cast<unsigned>(fields.tm_mday)) * 86400 +
        fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
    return StoreTicks((seconds + SECONDS_1601_TO_1970) * TICKS_PER_SECOND +
                          ticks % TICKS_PER_SECOND,
                      local);
}

#endif

}  // namespace pixlor
