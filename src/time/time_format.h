#pragma once
// Dates and times as text. Every formatter reads only the UTC breakdown of a kq::time and
// its valid flag, and truncates the fraction of the second. Three families differ in small,
// deliberate ways: the compiled-spec formatter (the user's "-dateformat"/"-timeformat"), the
// template interpreter (reads the template texts themselves) and the fixed forms.

#include <array>
#include <ostream>
#include <string>

#include "text/kq_types.h"
#include "time/kq_calendar.h"
#include "time/kq_time.h"

struct time_display_spec;

namespace kq {

// "Jan" to "Dec" by month - 1, and "Sun" to "Sat" by day of the week (Sunday 0).
extern const std::array<std::string, 12> month_names;
extern const std::array<std::string, 7> day_names;

// --- Compiled-spec formatter ---

// Date and time of t under spec. An unset spec fills the default forms ("yyyy-mm-dd",
// "hh:mm:ss.xxx") and still returns false; an invalid t gives empty texts and false.
bool format_date_time(std::string& date, std::string& time_text, const time& t,
                      const time_display_spec& spec);
// Date, a blank and time written to out; an unset spec is compiled in place with the
// defaults first. Leaves the stream right-aligned with '0' fill.
bool print_date_time(std::ostream& out, const time& t, time_display_spec& spec);

// --- Template interpreter ---

bool format_time_by_template(std::string& date, std::string& time_text, const time& t,
                             const std::string& date_template, const std::string& time_template);
// A null template gives the fixed form with milliseconds, and true.
bool format_time_by_template(std::string& date, std::string& time_text, const time& t,
                             const char* date_template, const char* time_template);
// As the string form, with the time cut at its first '.'.
bool format_time_by_template_nofrac(std::string& date, std::string& time_text, const time& t,
                                    const std::string& date_template,
                                    const std::string& time_template);

// --- Fixed forms over time::to_strings ---

std::ostream& print_time_short(std::ostream& out, const time& t);
std::ostream& print_time_plain(std::ostream& out, const time& t);
void format_date_time_ms(std::string& date, std::string& time_text, const time& t,
                         bool locale_date);
void format_date_time_ms(std::wstring& date, std::wstring& time_text, const time& t,
                         bool locale_date);
void format_date_time_sec(std::string& date, std::string& time_text, const time& t,
                          bool locale_date);
std::ostream& operator<<(std::ostream& out, const time& t);
void append_date_time(std::string& out, const time& t);
std::ostream& print_time_short_ms(std::ostream& out, const time& t);
std::wostream& print_time_short_ms(std::wostream& out, const time& t);
std::ostream& print_filetime_short_ms(std::ostream& out, int64 filetime);

// --- Other fixed printers ---

// "yyyy-mm-dd hh:mm:ss.nnnnnnnnn"; false for 0 and for an invalid moment (out empty).
bool format_filetime_ns(std::string& out, int64 filetime);
// "mm/dd/yyyy : hh:mm:ss [ mmm ms ]" (the date alone with date_only); the stream's fill and
// format flags are restored. Validity is not tested.
void print_mdy_time_ms(std::ostream& out, const time& t, bool date_only);
void print_mdy_time_ms(std::wostream& out, const time& t, bool date_only);
// "mm/dd/yyyy : hh:mm:ss.mmm"; always true.
bool format_systemtime_mdy(std::string& out, const _windows_systemtime& systemtime);
// "yyyy-mm-ddThh:mm:ssZ" of Unix seconds shifted by hour_offset hours; false, out empty, for
// negative seconds and for a shifted value before 1970.
bool format_iso8601_utc(int64 unix_seconds, std::string& out, float hour_offset);
// The current time as "Mon, 5 Feb 2024 07:03:09 GMT"; always true.
bool format_gmt_date_now(std::string& out);

}  // namespace kq

// Name of a locale for dates in the locale's own form: the environment's default (empty
// name), else LC_TIME, else LANG; false (name empty) when none can be built.
bool locale_from_environment(std::string& name);
