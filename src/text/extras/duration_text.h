#pragma once
// A span of seconds in words, as an examiner reads an interval or an uptime:
// "1 hour 1 min 1 sec", "2 mins", "49710 days 6 hours 28 mins 14 secs".

#include <string>

#include "text/kq_types.h"

// Days, hours, minutes and seconds that are not 0, each with "s" when above 1, separated by
// single blanks. 0 and 0xFFFFFFFF (an unset value) give "".
[[nodiscard]] std::string seconds_to_text(uint32 seconds);
