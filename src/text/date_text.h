#pragma once
// Readers of the date and time texts found on the command line ("-cmd_start_time",
// "-cmd_stop_time") and in stored records: a date in a field order named by the caller, a
// date in month/day/year or day-month-name-year form, and hour:minute[:second] times with an
// optional "am" or "pm". Two-digit years are widened with the pivot 30 (0 to 30 give 2000 to
// 2030, 31 to 99 give 1931 to 1999); month names are the three-letter English abbreviations
// in any letter case.
//
// Every reader sets its outputs to 0 first and answers text it cannot read with false,
// leaving the outputs as set so far. Fields longer than their fixed limits are refused, so
// text of any length is safe to hand in. Values are checked, not counted on: a day the month
// does not have, an hour beyond 23 or a minute or second beyond 59 is refused, so a typo
// never becomes another moment.

#include <map>
#include <string>

#include "text/kq_types.h"

// Reads three fields split by separator in the order named by order: 'D', 'M' and 'Y', with
// "Mon" in place of 'M' for a month name ("YMD", "MonDY", "DMonY"). order is upper-cased and
// its "MON" turned into "M" in place. Up to three empty fields before the second are skipped.
// False unless the month is 1 to 12 and the day one the month has in that (widened) year.
[[nodiscard]] bool parse_date_by_order(const char* text, std::string& order, char separator,
                                       uint32& day, uint32& month, uint32& year);

// month/day/year (also with '-') or day-Mon-year; fields of at most 2, 3 and 4 characters.
// False unless the month is 1 to 12 and the day one the month has in that year.
[[nodiscard]] bool parse_date_mdy(const char* text, uint32& day, uint32& month, uint32& year);

// hour:minute[:seconds] with an optional "am"/"pm" at the end. Hour and minute are one or two
// digits, the seconds one or two digits with an optional decimal fraction. Without a marker
// the hour is 0 to 23; with one it is 1 to 12, where 12 am is hour 0, 12 pm is 12 and 1 to
// 11 pm add 12. Minutes and whole seconds are 0 to 59. Anything else, signs, blanks inside a
// field and stray letters included, is refused.
[[nodiscard]] bool parse_hms(const char* text, int32& hour, int32& minute, double& seconds);
// parse_hms with the seconds truncated to an integer.
[[nodiscard]] bool parse_hms_int(const char* text, int32& hour, int32& minute, int32& seconds);
// The time of day in milliseconds (the seconds' fraction truncated), read and checked as
// parse_hms reads it.
[[nodiscard]] bool parse_time_of_day_ms(const char* text, uint32& milliseconds);

// Fills the lower-cased three-letter month names ("jan" 1 to "dec" 12); does nothing to a
// map that already holds entries.
void fill_month_name_map(std::map<std::string, int32>& map);

// 1 to 12 when the first three characters equal a month abbreviation in any letter case (so
// full month names match too); -1 otherwise, also for a text of fewer than three characters.
[[nodiscard]] int month_from_abbrev(const char* text);
