#pragma once
// Date and time texts into a SYSTEMTIME record or a struct tm: the start and stop times of
// the command line, the text constructors of kq::time and the time guesser read dates here.
// A null or empty time text means midnight. The output is written only after every check
// has passed, so a refused text leaves it as it was.

#include <ctime>
#include <string>

#include "time/kq_calendar.h"

namespace kq {

// The date read in the field order ("YMD", "MonDY", ...) with the separator, the time as
// hour:minute[:seconds][ am|pm]; the fraction of the seconds becomes the millisecond,
// rounded to the nearest, and a rounding up to a whole second is carried into the second and
// on up (23:59:59.9996 on 2024-12-31 is 2025-01-01 00:00:00.000). False for an empty or
// unreadable date, a day the month does not have, an unreadable or out-of-range time, or a
// year beyond the record's 16 bits.
[[nodiscard]] bool parse_systemtime(const char* date, const char* time, const std::string& order,
                                    char separator, _windows_systemtime& out);
// The same with the date as month/day/year, month-day-year or day-Mon-year.
[[nodiscard]] bool parse_systemtime_mdy(const char* date, const char* time,
                                        _windows_systemtime& out);
// parse_systemtime_mdy of wide texts, converted to UTF-8 first; an empty text counts as none.
[[nodiscard]] bool parse_systemtime_w(const wchar_t* date, const wchar_t* time,
                                      _windows_systemtime& out);
// Date (month/day/year forms) and time of day into a zeroed struct tm; the milliseconds are
// dropped. Without a date the date fields are year -1900, month -1, day 0. False when both
// texts are null or either cannot be read.
[[nodiscard]] bool parse_date_time_tm(const char* date, const char* time, std::tm& out);

}  // namespace kq
