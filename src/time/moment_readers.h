#pragma once
// Readers of ISO 8601 texts ("2021-03-04T05:06:07.5Z") and mail-style dates ("Thu, 04 Mar 2021
// 05:06:07 +0200"). Any text is safe to hand in: what cannot be read gives false or 0, never
// another moment.

#include <string>

#include "text/kq_types.h"
#include "time/kq_calendar.h"

namespace kq {

// Date before the first 'T' in the field order date_format with separator, time after it
// (one trailing 'Z' dropped). False without a 'T' or when either part cannot be read.
[[nodiscard]] bool parse_iso8601_systemtime(const char* text, const std::string& date_format,
                                            char separator, _windows_systemtime& out);

// "yyyy-mm-dd[Thh:mm[:ss[.fraction]][Z]]" as UTC; the fraction is kept to the 100-ns tick
// (truncated after rounding to the nanosecond). 0 when unreadable, also when the date part
// is empty.
[[nodiscard]] int64 iso8601_to_filetime(const std::string& text);

// "[Day,] dd Mon yyyy hh:mm:ss zone" with the zone read past but not applied: the wall clock
// is taken as UTC. 0 when unreadable or shorter than 20 characters.
[[nodiscard]] int64 mail_date_to_filetime(const std::string& text);

// out = 8 for "yyyymmdd", 10 for "yyyy-mm-dd" (digits where the form has them); false, out 0,
// for any other text.
[[nodiscard]] bool date_text_length(uint32& out, const std::string& text);

}  // namespace kq
