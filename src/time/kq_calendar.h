#pragma once
// The small records in which moments are stored outside a kq::time (FILETIME words, the
// Windows SYSTEMTIME record, DOS date and time words) and the calendar arithmetic between
// them and the platform's struct tm. All calendar arithmetic is our own integer arithmetic
// on the proleptic Gregorian calendar in UTC: the platform is asked only for the local UTC
// offset, so a damaged or far-off value can never reach a libc routine that misbehaves.

#include <ctime>

#include "text/kq_types.h"
#include "time/type_time.h"

namespace kq {

// Month lengths, normal year then leap year.
inline constexpr int32 days_in_month[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

// For month m (0 to 11) the 0-based day of the year of the last day of the month before m;
// the final entry is the year's last day.
inline constexpr int32 days_before_month[2][13] = {
    {-1, 30, 58, 89, 119, 150, 180, 211, 242, 272, 303, 333, 364},
    {-1, 30, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
};

// A FILETIME split into its two 32-bit words, as Windows stores it.
struct filetime_pair {
    uint32 low = 0;
    uint32 high = 0;

    filetime_pair() = default;
    filetime_pair(uint32 low_word, uint32 high_word) : low(low_word), high(high_word) {}
};

// The 16-byte Windows SYSTEMTIME record; day_of_week counts from Sunday = 0.
// The record keeps the name it has in the Windows documentation of the stored data.
struct _windows_systemtime {  // NOLINT(bugprone-reserved-identifier,readability-identifier-naming)
    uint16 year = 0;
    uint16 month = 0;  // 1 to 12
    uint16 day_of_week = 0;
    uint16 day = 0;  // 1 to 31
    uint16 hour = 0;
    uint16 minute = 0;
    uint16 second = 0;
    uint16 millisecond = 0;

    _windows_systemtime() = default;
    // From struct tm fields: month 0 to 11, years counted from 1900. Day of week and
    // millisecond stay 0.
    _windows_systemtime(int sec, int min, int hr, int mday, int mon, int years_since_1900);
    // The UTC breakdown of the pair's FILETIME; all zero for a negative FILETIME.
    explicit _windows_systemtime(filetime_pair filetime);
    // A stored value of one kind broken down in UTC: kind 1 a FILETIME, kind 8 Unix seconds
    // (millisecond 0). A value with no breakdown (a negative FILETIME, a year the record
    // cannot hold) leaves the record zeroed; any other kind is a caller's error and stops
    // the process.
    _windows_systemtime(long64 value, type_time kind);

    void clear();
};

// A SYSTEMTIME with the whole fraction of the second in three finer units (each the whole
// fraction in that unit, not the remainder below the next larger one).
struct systemtime_ex : _windows_systemtime {
    int64 microseconds = 0;
    int64 nanoseconds = 0;
    int64 picoseconds = 0;

    void clear();
};

// DOS date word (bits 0-4 day, 5-8 month, 9-15 year - 1980) and time word (bits 0-4
// seconds / 2, 5-10 minute, 11-15 hour).
struct dos_date_time {
    uint16 date = 0;
    uint16 time = 0;
};

// A year is a leap year when it is above 0 and divisible by 4, and either not by 100 or by
// 400 (the calendar year, not years since 1900).
[[nodiscard]] bool is_leap_year(int64 year);

bool filetime_from_i64(int64 filetime, filetime_pair& out);
bool filetime_from_u64(uint32 low, uint32 high, filetime_pair& out);

// UTC breakdowns of a FILETIME. Negative FILETIMEs are refused.
[[nodiscard]] bool filetime_to_systemtime_ex(systemtime_ex& out, int64 filetime);
[[nodiscard]] bool filetime_to_systemtime(int64 filetime, _windows_systemtime& out);
// The breakdown of filetime with the fraction of its second taken from ticks (100-ns
// ticks, 0 up to one second, possibly with digits below one tick).
[[nodiscard]] bool filetime_to_systemtime_frac(int64 filetime, double ticks, systemtime_ex& out);
[[nodiscard]] bool filetime_pair_to_systemtime_ex(const filetime_pair& filetime,
                                                  systemtime_ex& out);

// The record's fields through tm_to_filetime with its milliseconds; the pair holds 0 when
// the moment has no FILETIME. Always true.
bool systemtime_to_filetime(filetime_pair& out, const _windows_systemtime& time);
// The same FILETIME returned (0 when it has none).
[[nodiscard]] int64 systemtime_to_filetime(const _windows_systemtime& time);

// FILETIME of the fields of tm (taken as UTC) plus ms milliseconds. Out-of-range fields count
// on arithmetically; the month is normalised inside the caller's tm (its year field is not).
// 0 when the result does not fit a signed 64-bit FILETIME.
[[nodiscard]] int64 tm_to_filetime(std::tm& tm, int64 ms);
// Unix seconds of tm after carrying every field into range; false (out -1) before 1970 or
// when the result does not fit in 32 bits.
[[nodiscard]] bool tm_to_unix_strict(const std::tm& tm, int64& out);

// Breakdown of Unix seconds shifted by offset_hours; false for moments before 1970 and after
// the year 3000 (out zeroed for the latter). The GMT-offset and zone fields are not written.
[[nodiscard]] bool unix_to_tm(int64 unix_seconds, std::tm& out, float offset_hours);
[[nodiscard]] bool unix_to_utc_tm(int64 unix_seconds, std::tm& out);
// The local breakdown, shifted by the UTC offset the local zone had at that moment (daylight
// saving and minutes included); false as unix_to_tm, and before 1970 in UTC.
[[nodiscard]] bool unix_to_local_tm(int64 unix_seconds, std::tm& out);
// UTC breakdown in closed form; all zero outside the years a FILETIME can hold.
[[nodiscard]] std::tm unix_to_tm_arith(int64 unix_seconds);

// Seconds east of UTC that the local zone had at the given moment, daylight saving and
// minutes included (tm_gmtoff); false, out 0, when the platform cannot place the moment.
[[nodiscard]] bool local_utc_offset_at(int64 unix_seconds, int32& out);
// The same for the current moment; 0 when the platform cannot tell.
[[nodiscard]] int32 get_local_utc_offset();

// DOS words of a FILETIME (UTC); false for the years outside 1980 to 2037.
[[nodiscard]] bool filetime_to_dos(int64 filetime, dos_date_time& out);
// Whole seconds between two non-negative FILETIMEs.
[[nodiscard]] bool filetime_seconds_between(int64 a, int64 b, uint64& out);

}  // namespace kq
