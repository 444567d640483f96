// Calendar arithmetic of our own, the same on every platform and in every time zone.
#pragma once

#include "platform/Win32Api.h"

#include <cstdint>

namespace pixlor {

// Days from 1970-01-01 to the given Gregorian date (negative before it).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day);

struct CivilTime {
    std::int64_t year;
    unsigned month;   // 1..12
    unsigned day;     // 1..31
    unsigned hour;    // 0..23
    unsigned minute;  // 0..59
    unsigned second;  // 0..59
};

// Seconds since 1970-01-01 00:00:00 as calendar time, with no time-zone shift; any value works,
// before 1970 included.
CivilTime civilFromSeconds(std::int64_t seconds);

// The DOS date and time as a file time, with no time-zone shift; false for fields out of range
// (month 0, day 31 in April, second 60 ...), as the system call answers.
bool dosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime);

}  // namespace pixlor
