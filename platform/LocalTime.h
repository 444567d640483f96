// The computer's local time and the system's file time (UTC since 1601), converted by the
// system's own rules: on Windows by its calls (which apply the bias in force now, as the file
// manager's display does), on POSIX by mktime and localtime_r under the TZ rules of the date.
#pragma once

#include "platform/Win32Api.h"

#include <cstdint>

namespace pixlor {

// A local wall-clock time as a file time, back to UTC. On POSIX a time that occurs twice at the
// end of summer time is left to mktime's choice (tm_isdst = -1). False when the system cannot
// convert it.
bool localFileTimeToFileTime(const FILETIME& local, FILETIME& utc);

// The other way: a UTC file time as the computer's local wall-clock time.
bool fileTimeToLocalFileTime(const FILETIME& utc, FILETIME& local);

#ifndef _WIN32
// A local wall-clock time back to UTC by the zone's rules on that date (mktime, tm_isdst = -1),
// as TzSpecificLocalTimeToSystemTime does it. False when the system cannot convert it.
bool localSystemTimeToUniversal(const SYSTEMTIME& local, SYSTEMTIME& universal);

// A local wall-clock time back to UTC with the offset in force at `nowSeconds` (since 1970,
// UTC), whatever the date: what LocalFileTimeToFileTime does on Windows.
bool localFileTimeToFileTimeAt(const FILETIME& local, std::int64_t nowSeconds, FILETIME& utc);
#endif

}  // namespace pixlor
