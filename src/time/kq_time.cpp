// kq::time: the core setters, accessors, arithmetic and the kind guessers.

#include "time/kq_time.h"

#include "text/time_display_spec.h"
#include "time/time_arith.h"
#include "time/time_conversions.h"
#include "time/time_epochs.h"

namespace kq {

namespace {

namespace ep = time_epoch;

// DOS words exist only for these years (7-bit year field from 1980; the library keeps to
// the years a 32-bit time_t reaches).
constexpr uint16 dos_first_year = 1980;
constexpr uint16 dos_last_year = 2037;
// The local form is built only up to this year; a moment beyond it whose local form fails
// is refused.
constexpr uint16 local_last_year = 3000;
constexpr uint16 first_valid_year = 1900;

constexpr int64 ticks_per_minute = 60 * ep::ticks_per_second;
constexpr int64 ticks_per_hour = 60 * ticks_per_minute;
constexpr int64 ticks_per_day = ep::seconds_per_day * ep::ticks_per_second;

// Tries each kind of the mask from bit 0 up; the first whose moment is valid and falls in
// the window of years wins. kind_out is left at the last kind tried.
template <typename value_type>
bool guess_kind(time& out, uint32& kind_out, uint16 last_year, uint16 first_year,
                value_type value, uint32 kinds) {
    out.clear();
    for (uint32 bit = 0; bit < 32 && kinds != 0; ++bit) {
        const uint32 kind = 1U << bit;
        if ((kinds & kind) == 0) {
            continue;
        }
        kind_out = kind;
        const time candidate(value, static_cast<type_time>(kind));
        if (candidate.is_valid && candidate.utc.year >= first_year &&
            candidate.utc.year <= last_year) {
            out = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace

time::time() { clear(); }

void time::clear() {
    unix_seconds = 0;
    filetime = 0;
    filetime_pair = ::kq::filetime_pair();
    local = std::tm{};
    is_valid = false;
    local_failed = false;
    named_values.clear();
}

bool time::set_filetime(int64 ft) {
    is_valid = false;
    if (ft == 0) {
        return false;
    }
    filetime = ft;
    int64 seconds = 0;
    if (!filetime_to_unix(ft, seconds)) {
        return false;  // before 1601: no breakdown exists
    }
    // The first second of 1970 is a moment like any other: only a FILETIME of 0 means none.
    unix_seconds = seconds;
    (void)filetime_to_systemtime_ex(utc, ft);  // cannot fail for ft > 0
    return derive_from_breakdown(ft);
}

bool time::derive_from_breakdown(int64 ft) {
    (void)filetime_from_i64(ft, filetime_pair);
    if (utc.year >= dos_first_year && utc.year <= dos_last_year) {
        (void)filetime_to_dos(ft, dos);
    }
    local_failed = false;
    std::tm local_fields{};
    if (unix_to_local_tm(unix_seconds, local_fields)) {
        local = local_fields;
    } else {
        local_failed = true;
        if (utc.year > local_last_year) {
            return false;
        }
    }
    is_valid = utc.year >= first_valid_year;
    return is_valid;
}

bool time::set_tm(const std::tm& fields, int32 ms, bool utc_fields) {
    local = fields;
    if (utc_fields) {
        filetime = tm_to_filetime(local, ms);  // also brings local's month into 0..11
        if (filetime == 0) {
            return false;
        }
        (void)filetime_from_i64(filetime, filetime_pair);
        if (!set_filetime(filetime)) {
            return false;
        }
        is_valid = true;
        return true;
    }
    // Local fields: the fields are the UTC moment here as well. Reading them through the
    // platform's mktime and shifting back by today's offset would move every date in the
    // other half of the daylight-saving year by an hour.
    std::tm copy = fields;
    const int64 whole_seconds = tm_to_filetime(copy, 0);
    int64 seconds = 0;
    if (whole_seconds == 0 || !filetime_to_unix(whole_seconds, seconds) || seconds <= 0) {
        return false;
    }
    int64 ft = 0;
    if (!unix_to_filetime(seconds, ft) ||
        __builtin_add_overflow(ft, static_cast<int64>(ms) * ep::ticks_per_millisecond, &ft)) {
        return false;
    }
    unix_seconds = seconds;
    filetime = ft;
    (void)filetime_from_i64(ft, filetime_pair);
    (void)set_filetime(ft);
    is_valid = true;
    return true;
}

uint32 time::milliseconds(bool rounding) const {
    uint32 ms = utc.millisecond;
    if (rounding && utc.microseconds - static_cast<int64>(utc.millisecond) * 1000 >= 500) {
        ++ms;
    }
    return ms;
}

int64 time::microseconds(bool rounding) const {
    int64 us = utc.microseconds;
    if (rounding && utc.nanoseconds - us * 1000 >= 500) {
        ++us;
    }
    return us;
}

bool time::in_year_range(const time_display_spec& spec) const {
    return is_valid && utc.year >= static_cast<uint16>(spec.min_year) &&
           utc.year <= static_cast<uint16>(spec.max_year);
}

time& time::add_ticks(int64 n, int64 ticks_per_unit) {
    if (!is_valid) {
        return *this;
    }
    int64 sum = 0;
    if (!time_arith::mul_add(n, ticks_per_unit, filetime, sum)) {
        is_valid = false;
        return *this;
    }
    (void)set_filetime(sum);
    return *this;
}

time& time::add_30_days(int32 n) { return add_ticks(n, 30 * ticks_per_day); }
time& time::add_weeks(int32 n) { return add_ticks(n, 7 * ticks_per_day); }
time& time::add_days(int32 n) { return add_ticks(n, ticks_per_day); }
time& time::add_hours(int32 n) { return add_ticks(n, ticks_per_hour); }
time& time::add_minutes(int32 n) { return add_ticks(n, ticks_per_minute); }
time& time::add_seconds(int32 n) { return add_ticks(n, ep::ticks_per_second); }
time& time::add_milliseconds(int32 n) { return add_ticks(n, ep::ticks_per_millisecond); }
time& time::add_microseconds(int32 n) { return add_ticks(n, ep::ticks_per_microsecond); }
time& time::subtract_days(int32 n) { return add_ticks(-static_cast<int64>(n), ticks_per_day); }
time& time::operator+=(const time& other) { return add_ticks(other.filetime, 1); }

time& time::operator-=(const time& other) {
    if (other.filetime == INT64_MIN) {
        is_valid = false;  // its negation does not exist
        return *this;
    }
    return add_ticks(-other.filetime, 1);
}

bool time::guess_from_integer(uint32& kind_out, uint16 last_year, uint16 first_year, uint64 value,
                              uint32 kinds) {
    return guess_kind(*this, kind_out, last_year, first_year, value, kinds);
}

bool time::guess_from_double(uint32& kind_out, uint16 last_year, uint16 first_year, double value,
                             uint32 kinds) {
    return guess_kind(*this, kind_out, last_year, first_year, value, kinds);
}

}  // namespace kq
