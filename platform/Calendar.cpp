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

CivilTime civilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Howard Hinnant's civil_from_days.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    CivilTime civil{};
    civil.day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    civil.month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    civil.year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (civil.month <= 2 ? 1 : 0);
    civil.hour = static_cast<unsigned>(rest / 3600);
    civil.minute = static_cast<unsigned>(rest % 3600 / 60);
    civil.second = static_cast<unsigned>(rest % 60);
    return civil;
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
    constexpr std::int64_t DAYS_FROM_1601_TO_1970 = 134774;
    const std::int64_t seconds =
        (daysFromCivil(year, month, day) + DAYS_FROM_1601_TO_1970) * 86400 + hour * 3600 +
        minute * 60 + second;
    const auto ticks = static_cast<std::uint64_t>(seconds) * 10000000u;
    fileTime->dwLowDateTime = static_cast<DWORD>(ticks);
    fileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return true;
}

}  // namespace pixlor
