#pragma once
// kq::time, one moment in time. The master value is a FILETIME (signed 100-ns ticks since
// 1601-01-01 00:00:00 UTC); beside it the object keeps the forms callers read directly:
// Unix seconds, the FILETIME words, DOS words, the local struct tm and the UTC breakdown.
// Every setter ends in set_filetime, which derives those forms and decides validity.

#include <array>
#include <ctime>
#include <map>
#include <string>

#include "text/kq_types.h"
#include "time/kq_calendar.h"
#include "time/type_time.h"

// Column directive record of the output-field interpreter (text extras); the time library
// reads its time-kind flags, so only a declaration is needed here.
struct output_field_spec;
struct time_display_spec;

namespace kq {

class time {
public:
    int64 unix_seconds = 0;  // seconds since 1970-01-01 UTC, derived from filetime
    int64 filetime = 0;      // the master value
    ::kq::filetime_pair filetime_pair;
    dos_date_time dos;  // UTC DOS words, written only for the years 1980 to 2037
    std::tm local{};    // local form, with the UTC offset the zone had at this moment
    systemtime_ex utc;  // UTC breakdown with the fraction of the second
    bool is_valid = false;
    bool local_failed = false;  // the last derivation of `local` failed
    std::map<std::string, uint32> named_values;

    time();
    time(uint64 value, type_time kind);
    time(int64 value, type_time kind);
    time(double value, type_time kind);
    // Hexadecimal text for kinds 1, 2, 4 and 2048, signed decimal for kind 8. Any other
    // named kind is a caller's error and stops the process.
    time(const std::string& text, type_time kind);
    // Date and time text in the field order `date_format` names ("YMD", "DMonY", ...);
    // the format and the separator may be rewritten (see the constructor).
    time(const char* text, std::string& date_format, char separator);
    // "date time" text: the date as month/day/year, the time as h:m[:s][ am|pm].
    time(const char* text, bool utc_fields);
    // DOS date word, then DOS time word.
    time(const uint16 (&dos_words)[2], bool utc_fields);
    explicit time(uint32 seconds_since_1970);
    // Seconds and microseconds (struct timeval words); only kind 8 is read.
    time(const uint32 (&timeval_words)[2], type_time kind);
    explicit time(const _windows_systemtime& systemtime);
    time(const std::tm* fields, bool utc_fields);
    explicit time(const ::kq::filetime_pair& pair);
    // A FILETIME plus a fraction in ticks that may carry digits below one tick.
    time(uint64 filetime_value, double fraction_ticks);
    // A performance-counter reading against a known (FILETIME, count) pair; kinds 4096
    // (frequency in counts per second) and 8192 (counts per microsecond).
    time(uint64 base_filetime, uint64 base_count, uint64 count, uint64 frequency, type_time kind);
    time(const byte_array& bytes, uint32 offset, type_time kind);
    time(const byte_array& bytes, type_time kind);
    // A raw column value read as the time kind that the spec's directive flags choose.
    time(uint64 raw, const output_field_spec& spec, bool as_double);

    // Back to the invalid all-zero moment; `utc` and `dos` are left as they are.
    void clear();
    // Stores ft and derives every other form; returns the new validity.
    bool set_filetime(int64 ft);
    // The fields of tm taken as the UTC moment, plus ms milliseconds.
    bool set_tm(const std::tm& fields, int32 ms, bool utc_fields);
    // As set_filetime with a fraction of ticks below the FILETIME's resolution.
    bool set_filetime_frac(uint64 ft, double fraction_ticks);
    // Reads a moment of a kind from bytes at an offset (integers little-endian).
    bool set_from_bytes(const byte_array& data, uint32 offset, type_time kind);

    [[nodiscard]] uint16 year() const { return utc.year; }
    [[nodiscard]] uint16 month() const { return utc.month; }
    [[nodiscard]] uint16 day() const { return utc.day; }
    [[nodiscard]] uint16 hour() const { return utc.hour; }
    [[nodiscard]] uint16 minute() const { return utc.minute; }
    [[nodiscard]] uint16 second() const { return utc.second; }
    [[nodiscard]] int64 nanoseconds() const { return utc.nanoseconds; }
    // The whole milliseconds of the second; with rounding, one more when the rest is at
    // least half a millisecond (no carry: 1000 can come back).
    [[nodiscard]] uint32 milliseconds(bool rounding) const;
    [[nodiscard]] int64 microseconds(bool rounding) const;

    [[nodiscard]] bool in_year_range(const time_display_spec& spec) const;

    [[nodiscard]] bool operator<(const time& other) const { return filetime < other.filetime; }
    [[nodiscard]] bool operator<=(const time& other) const { return filetime <= other.filetime; }
    [[nodiscard]] bool operator==(const time& other) const { return filetime == other.filetime; }
    [[nodiscard]] bool operator!=(const time& other) const { return filetime != other.filetime; }
    [[nodiscard]] bool operator>=(const time& other) const { return filetime >= other.filetime; }
    [[nodiscard]] bool operator>(const time& other) const { return filetime > other.filetime; }

    // Arithmetic acts only on valid moments and decides validity again; a sum beyond the
    // FILETIME range makes the moment invalid.
    time& add_30_days(int32 n);
    time& add_weeks(int32 n);
    time& add_days(int32 n);
    time& add_hours(int32 n);
    time& add_minutes(int32 n);
    time& add_seconds(int32 n);
    time& add_milliseconds(int32 n);
    time& add_microseconds(int32 n);
    time& subtract_days(int32 n);
    time& operator+=(const time& other);
    time& operator-=(const time& other);

    // Tries each kind of the mask from bit 0 up and keeps the first whose moment is valid
    // and falls in first_year..last_year; kind_out holds the last kind tried.
    bool guess_from_integer(uint32& kind_out, uint16 last_year, uint16 first_year, uint64 value,
                            uint32 kinds);
    bool guess_from_double(uint32& kind_out, uint16 last_year, uint16 first_year, double value,
                           uint32 kinds);

    // The current time, to the microsecond.
    [[nodiscard]] static time now();
    // Fixed date and time texts of t ("yyyy-mm-dd" or a two-digit year, "hh:mm:ss" with
    // milliseconds or nanoseconds); both empty when t is not valid.
    static void to_strings(std::string& date, std::string& time_text, const time& t,
                           bool with_fraction, bool two_digit_year, bool locale_date,
                           bool nanoseconds);

private:
    // The forms that follow from `utc` and `unix_seconds`: the pair, DOS words, the local
    // form and validity.
    bool derive_from_breakdown(int64 ft);
    void set_from_u64(uint64 value, type_time kind);
    void set_from_i64(int64 value, type_time kind);
    void set_from_double(double value, type_time kind);
    void set_from_unix_seconds(int64 seconds);
    void set_from_unix_ms(int64 seconds, int64 remainder_ms);
    void set_from_field_spec(uint64 raw, uint64 flags, bool as_double);
    time& add_ticks(int64 n, int64 ticks_per_unit);
};

// FILETIME of a raw value under a field spec's time-kind flags; 0 when it is not valid.
[[nodiscard]] int64 field_value_to_filetime(uint64 value, const output_field_spec& spec,
                                            bool as_double);

// Two 32-bit values at bytes 0 and 4 and a FILETIME at bytes 8 to 15 (little-endian); the
// outputs are filled when the FILETIME is a valid moment, else all three are 0.
[[nodiscard]] bool record16_to_filetime(uint64& filetime, int32& first, int32& second,
                                        const std::array<uint8, 16>& record);

}  // namespace kq
