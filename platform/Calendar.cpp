#include "platform/Calendar.h"

namespace pixlor {

std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    // Howard Hinnant's days_from_civil: exact for the proleptic Gregorian calendar.
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

namespace {

unsigned daysInMonth(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

bool dosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) {
    const unsigned year = 1980 + (dosDate >> 9);
    const unsigned month = (dosDate >> 5) & 0x0F;
    const unsigned day = dosDate & 0x1F;
    const unsigned hour = dosTime >> 11;
    const unsigned minute = (dosTime >> 5) & 0x3F;
    const unsigned second = (dosTime & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    constexpr std::int64_t kDaysFrom1601To1970 = 134774;
    const std::int64_t seconds =
        (daysFromCivil(year, month, day) + kDaysFrom1601To1970) * 86400 + hour * 3600 +
        minute * 60 + second;
    const auto ticks = static_cast<std::uint64_t>(seconds) * 10000000u;
    fileTime->dwLowDateTime = static_cast<DWORD>(ticks);
    fileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return true;
}

}  // namespace pixlor
