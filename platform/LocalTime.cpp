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

// The seconds since 1970 (UTC) of local wall-clock fields under the zone's rules of that date.
bool UniversalSecondsOf(const CivilTime& civil, std::time_t& universal) {
    std::tm fields{};
    fields.tm_year = static_cast<int>(civil.year - 1900);
    fields.tm_mon = static_cast<int>(civil.month) - 1;
    fields.tm_mday = static_cast<int>(civil.day);
    fields.tm_hour = static_cast<int>(civil.hour);
    fields.tm_min = static_cast<int>(civil.minute);
    fields.tm_sec = static_cast<int>(civil.second);
    fields.tm_isdst = -1;  // summer or winter time as the zone's rules have it on that date
    universal = std::mktime(&fields);
    return universal != static_cast<std::time_t>(-1);
}

}  // namespace

bool localFileTimeToFileTime(const FILETIME& local, FILETIME& utc) {
    const std::int64_t ticks = TicksOf(local);
    std::time_t universal = 0;
    if (!UniversalSecondsOf(civilFromSeconds(ticks / TICKS_PER_SECOND - SECONDS_1601_TO_1970),
                            universal))
        return false;
    return StoreTicks(
        (static_cast<std::int64_t>(universal) + SECONDS_1601_TO_1970) * TICKS_PER_SECOND +
            ticks % TICKS_PER_SECOND,
        utc);
}

bool localSystemTimeToUniversal(const SYSTEMTIME& local, SYSTEMTIME& universal) {
    if (local.wMonth < 1 || local.wMonth > 12 || local.wDay < 1 || local.wDay > 31 ||
        local.wHour > 23 || local.wMinute > 59 || local.wSecond > 59)
        return false;
    std::time_t seconds = 0;
    if (!UniversalSecondsOf(CivilTime{local.wYear, local.wMonth, local.wDay, local.wHour,
                                      local.wMinute, local.wSecond},
                            seconds))
        return false;
    const CivilTime civil = civilFromSeconds(seconds);
    universal = SYSTEMTIME{static_cast<WORD>(civil.year),
                           static_cast<WORD>(civil.month),
                           static_cast<WORD>(((seconds / 86400) % 7 + 11) % 7),
                           static_cast<WORD>(civil.day),
                           static_cast<WORD>(civil.hour),
                           static_cast<WORD>(civil.minute),
                           static_cast<WORD>(civil.second),
                           local.wMilliseconds};
    return true;
}

bool localFileTimeToFileTimeAt(const FILETIME& local, std::int64_t nowSeconds, FILETIME& utc) {
    const auto now = static_cast<std::time_t>(nowSeconds);
    std::tm fields{};
    if (localtime_r(&now, &fields) == nullptr) return false;
    const std::int64_t offset = static_cast<std::int64_t>(fields.tm_gmtoff) * TICKS_PER_SECOND;
    return StoreTicks(TicksOf(local) - offset, utc);
}

bool fileTimeToLocalFileTime(const FILETIME& utc, FILETIME& local) {
    const std::int64_t ticks = TicksOf(utc);
    const auto universal =
        static_cast<std::time_t>(ticks / TICKS_PER_SECOND - SECONDS_1601_TO_1970);
    std::tm fields{};
    if (localtime_r(&universal, &fields) == nullptr) return false;
    const std::int64_t seconds =
        daysFromCivil(fields.tm_year + 1900, static_cast<unsigned>(fields.tm_mon + 1),
                      static_cast<unsigned>(fields.tm_mday)) *
            86400 +
        fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
    return StoreTicks(
        (seconds + SECONDS_1601_TO_1970) * TICKS_PER_SECOND + ticks % TICKS_PER_SECOND, local);
}

#endif

}  // namespace pixlor
