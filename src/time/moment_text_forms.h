#pragma once
// Small text forms of a moment beside the main formatters: file-name-friendly stamps, an ISO
// date, string-returning wrappers over the formatters, 64-bit hexadecimal, a mail-style date
// and a field-dump line for a DOS date-time. All read the UTC breakdown of a kq::time.

#include <ostream>
#include <string>

#include "text/kq_types.h"
#include "text/output_context.h"
#include "time/kq_time.h"

struct time_display_spec;

namespace kq {

// "yyyy_mm_dd[_hhmm][_ss][_mmm]" for a file name. Leaves the stream with fill '0', decimal
// and right alignment. No validity test: a FILETIME that is no moment writes zeros. The
// millisecond is truncated, never rounded up into the next second.
std::ostream& print_filetime_stamp(std::ostream& out, uint64 filetime, bool hours_minutes,
                                   bool seconds, bool milliseconds);
std::ostream& print_filetime_stamp(std::ostream& out, uint64 filetime, bool all);
// The same characters on a wide stream, whose format state is not touched.
std::wostream& print_filetime_stamp(std::wostream& out, uint64 filetime, bool all);

// "yyyy-mm-dd"; the stream's fill and flags are put back. No validity test.
std::ostream& print_date_iso(std::ostream& out, const time& t);

// A template "date time" split at its first blank; alone it is a date when it holds '/' or
// '-', a time when it holds ':', else neither. An empty template gives the fixed forms
// (false for an invalid moment).
bool format_time_by_spec_text(std::string& date, std::string& time_text, const time& t,
                              const std::string& text_template, bool with_fraction,
                              bool two_digit_year, bool locale_date, bool nanoseconds);

// Date, blank and time under spec (an unset spec gives the default forms); "" when the
// FILETIME is no moment. The caller's spec is left as it is.
[[nodiscard]] std::string filetime_to_text(int64 filetime, const time_display_spec& spec);
// Both texts emptied, then formatted under spec; a null spec counts as an unset one. False
// when the FILETIME is no moment, else the formatter's result (false for an unset spec,
// whose default forms are still written).
bool format_filetime(std::string& date, std::string& time_text, int64 filetime,
                     const time_display_spec* spec);
// Date, blank and time by the two templates; "" when the FILETIME is no moment.
[[nodiscard]] std::string filetime_to_text_by_template(int64 filetime,
                                                       const std::string& date_template,
                                                       const std::string& time_template);

// "0x" and 16 lower-case hexadecimal digits.
std::string& format_hex64(std::string& out, uint64 value);
// The same on a stream, whose fill and flags are put back.
std::ostream& print_hex64(std::ostream& out, uint64 value);

// "Mon, 15 Jan 2024 16:27:57 +0530": the wall clock of a zone bias_minutes west of UTC (so
// -330 is India) at Unix seconds t, with that zone's offset; t = 0 is now. The text names
// the moment t whatever the bias. False when the zone's wall clock has no breakdown.
[[nodiscard]] bool format_rfc_date(std::string& out, int64 unix_seconds, int32 bias_minutes);

// A field-dump line for a 32-bit DOS date-time (date word in the low half, time word in the
// high half) with the moment as the note; returns what the field-line writer returns. The
// context form writes nothing, and returns 0, when the context is off.
int dump_dos_time_field(std::ostream& out, const char* label, uint32 value, uint64 offset,
                        int label_width);
int dump_dos_time_field(output_context context, const char* label, uint32 value, uint64 offset,
                        int label_width);

}  // namespace kq
