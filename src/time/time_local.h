#pragma once
// Calendar conversions that go through a kq::time or Unix seconds: struct tm forms of a
// FILETIME, Unix seconds of a SYSTEMTIME, and the UTC-minus-local difference of a moment.
// Local forms use the offset the local zone had at the moment converted, not today's.

#include <ctime>

#include "text/kq_types.h"
#include "time/kq_calendar.h"

namespace kq {

// struct tm of a FILETIME in UTC, or shifted by the moment's own local offset; false for
// moments before 1970 and after the year 3000.
[[nodiscard]] bool filetime_to_utc_tm(int64 filetime, std::tm& out);
[[nodiscard]] bool filetime_to_local_tm(int64 filetime, std::tm& out);
// Unix seconds of a SYSTEMTIME's fields; false when the record names no FILETIME.
[[nodiscard]] bool systemtime_to_unix(_windows_systemtime systemtime, int64& out);

// FILETIME plus the UTC-minus-local difference of that moment (its own offset, daylight
// saving and minutes included: Kolkata gives -5.5 hours); 0 for a FILETIME that is no valid
// moment.
[[nodiscard]] int64 local_filetime_to_utc(uint64 filetime);
// UTC-minus-local difference in seconds of local fields read through mktime, by the offset
// of that moment; 0 when they cannot be read. dst stays false.
[[nodiscard]] int32 local_tm_utc_difference(bool& dst, const std::tm& fields);
// The same for a "month/day/year h:m[:s]" text; 0 for a null or unreadable text.
[[nodiscard]] int32 text_utc_difference(bool& dst, const char* text);

// Reads "date time" (date before the first blank, month/day/year forms; time after it,
// midnight without a blank) into struct tm fields; the milliseconds are dropped.
[[nodiscard]] bool read_date_blank_time(const char* text, std::tm& fields);

}  // namespace kq
