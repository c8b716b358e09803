#include "time/kq_calendar.h"

#include "text/kq_assert.h"

#include <cmath>
#include <limits>

namespace kq {

namespace {

constexpr int64 ticks_per_second = 10000000;
constexpr int64 ticks_per_millisecond = 10000;
constexpr int64 seconds_per_day = 86400;
constexpr int64 seconds_per_365_days = 31536000;
constexpr int64 filetime_epoch_year = 1601;
constexpr int64 unix_epoch_year = 1970;
// 1970-01-01 00:00:00 UTC as a FILETIME, and in seconds after 1601-01-01.
constexpr int64 unix_epoch_ticks = 116444736000000000;
constexpr int64 unix_epoch_seconds = 11644473600;
// Years beyond this overflow a signed 64-bit FILETIME (it ends in 30828).
constexpr int64 last_unix_second =
    (std::numeric_limits<int64>::max() - unix_epoch_ticks) / ticks_per_second;
// unix_to_tm counts years one by one and refuses the year 3001 and later.
constexpr int64 first_refused_year = 3001;
// The DOS date word holds 7 bits of years after 1980; the conversion keeps to 2037.
constexpr int64 first_dos_year = 1980;
constexpr int64 last_dos_year = 2037;
constexpr uint16 max_dos_two_seconds = 29;

int64 year_seconds(int64 year) { return (is_leap_year(year) ? 366 : 365) * seconds_per_day; }

// Leap days in the years 1 to year (year >= 0).
int64 leap_days_through(int64 year) { return year / 4 - year / 100 + year / 400; }

// Floor division and remainder, so negative field values borrow from the next unit.
int64 floor_div(int64 a, int64 b) {
    const int64 q = a / b;
    return (a % b < 0) ? q - 1 : q;
}
int64 floor_mod(int64 a, int64 b) {
    const int64 r = a % b;
    return r < 0 ? r + b : r;
}

struct year_split {
    int64 year = 0;
    int64 rest = 0;  // seconds into the year, inside the year
};

// Closed form: count 365-day years since epoch_year, then take off the leap days they hold.
// Once the leap days add up to more than a year (about 1500 years after the epoch) the first
// guess lands one year late or more, so step back until the remainder lies inside the year;
// the callers keep seconds within the FILETIME range, which bounds the steps to about 20.
year_split split_years(int64 seconds, int64 epoch_year) {
    const int64 y = seconds / seconds_per_365_days;
    year_split out;
    out.year = epoch_year + y;
    out.rest = seconds - y * seconds_per_365_days -
               (leap_days_through(epoch_year - 1 + y) - leap_days_through(epoch_year - 1)) *
                   seconds_per_day;
    while (out.rest < 0) {
        --out.year;
        out.rest += year_seconds(out.year);
    }
    while (out.rest >= year_seconds(out.year)) {
        out.rest -= year_seconds(out.year);
        ++out.year;
    }
    return out;
}

// 0-based month and 1-based day of a 0-based day of the year.
void month_and_day(int64 day_of_year, bool leap, int32& month0, int32& day) {
    const int row = leap ? 1 : 0;
    int32 m = 1;
    while (m < 12 && days_before_month[row][m] < day_of_year) {
        ++m;
    }
    month0 = m - 1;
    day = static_cast<int32>(day_of_year - days_before_month[row][m - 1]);
}

// acc = acc * mul + add, refusing overflow.
bool mul_add(int64& acc, int64 mul, int64 add) {
    int64 product = 0;
    if (__builtin_mul_overflow(acc, mul, &product)) {
        return false;
    }
    return !__builtin_add_overflow(product, add, &acc);
}

// Days from 1601-01-01 of the calendar day (years since 1900, month 0 to 11, day of month).
int64 days_since_1601(int64 y, int32 month0, int64 mday) {
    int64 d = days_before_month[0][month0];
    if (month0 >= 2 && is_leap_year(y + 1900)) {
        ++d;
    }
    return 365 * (y + 299) + (y + 1899) / 4 - (y + 1899) / 100 + (y + 1899) / 400 - 388 + d + mday;
}

void fill_tm_date(std::tm& out, int64 year, int64 day_of_year, int64 days_since_1970) {
    int32 month0 = 0;
    int32 day = 0;
    month_and_day(day_of_year, is_leap_year(year), month0, day);
    out.tm_year = static_cast<int>(year - 1900);
    out.tm_yday = static_cast<int>(day_of_year);
    out.tm_mon = month0;
    out.tm_mday = day;
    out.tm_wday = static_cast<int>(floor_mod(days_since_1970 + 4, 7));
    out.tm_isdst = 0;
}

void fill_tm_clock(std::tm& out, int64 second_of_day) {
    out.tm_hour = static_cast<int>(second_of_day / 3600);
    out.tm_min = static_cast<int>((second_of_day % 3600) / 60);
    out.tm_sec = static_cast<int>(second_of_day % 60);
}

}  // namespace

bool is_leap_year(int64 year) {
    return year > 0 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

_windows_systemtime::_windows_systemtime(int sec, int min, int hr, int mday, int mon,
                                         int years_since_1900)
    : year(static_cast<uint16>(years_since_1900 + 1900)),
      month(static_cast<uint16>(mon + 1)),
      day(static_cast<uint16>(mday)),
      hour(static_cast<uint16>(hr)),
      minute(static_cast<uint16>(min)),
      second(static_cast<uint16>(sec)) {}

_windows_systemtime::_windows_systemtime(filetime_pair filetime) {
    systemtime_ex breakdown;
    const uint64 value = (static_cast<uint64>(filetime.high) << 32) | filetime.low;
    if (filetime_to_systemtime_ex(breakdown, static_cast<int64>(value))) {
        *this = static_cast<const _windows_systemtime&>(breakdown);
    }
}

_windows_systemtime::_windows_systemtime(long64 value, type_time kind) {
    if (kind == tt_filetime) {
        // A negative FILETIME is a data value, not a caller's error: the record stays zero.
        if (value >= 0) {
            *this = _windows_systemtime(filetime_pair(static_cast<uint32>(value),
                                                      static_cast<uint32>(
                                                          static_cast<uint64>(value) >> 32)));
        }
        return;
    }
    KQ_ASSERT(kind == tt_unix,
              "kq::_windows_systemtime::_windows_systemtime(long64, kq::type_time)", "kq_time");
    std::tm fields{};
    if (!unix_to_utc_tm(value, fields) || fields.tm_year + 1900 < 0 ||
        fields.tm_year + 1900 > 0xFFFF) {
        return;
    }
    year = static_cast<uint16>(fields.tm_year + 1900);
    month = static_cast<uint16>(fields.tm_mon + 1);
    day_of_week = static_cast<uint16>(fields.tm_wday);
    day = static_cast<uint16>(fields.tm_mday);
    hour = static_cast<uint16>(fields.tm_hour);
    minute = static_cast<uint16>(fields.tm_min);
    second = static_cast<uint16>(fields.tm_sec);
}

void _windows_systemtime::clear() { *this = _windows_systemtime(); }

void systemtime_ex::clear() { *this = systemtime_ex(); }

bool filetime_from_i64(int64 filetime, filetime_pair& out) {
    const auto value = static_cast<uint64>(filetime);
    out.low = static_cast<uint32>(value);
    out.high = static_cast<uint32>(value >> 32);
    return true;
}

bool filetime_from_u64(uint32 low, uint32 high, filetime_pair& out) {
    out.low = low;
    out.high = high;
    return true;
}

bool filetime_to_systemtime_ex(systemtime_ex& out, int64 filetime) {
    out.clear();
    if (filetime < 0) {
        return false;
    }
    const int64 s = filetime / ticks_per_second;
    const year_split split = split_years(s, filetime_epoch_year);
    const int64 day_of_year = split.rest / seconds_per_day;
    const int64 t = split.rest - day_of_year * seconds_per_day;
    int32 month0 = 0;
    int32 day = 0;
    month_and_day(day_of_year, is_leap_year(split.year), month0, day);
    out.year = static_cast<uint16>(split.year);
    out.month = static_cast<uint16>(month0 + 1);
    out.day = static_cast<uint16>(day);
    // 1601-01-01 was a Monday.
    out.day_of_week = static_cast<uint16>((s / seconds_per_day + 1) % 7);
    out.hour = static_cast<uint16>(t / 3600);
    out.minute = static_cast<uint16>((t % 3600) / 60);
    out.second = static_cast<uint16>(t % 60);
    const int64 f = filetime % ticks_per_second;
    out.millisecond = static_cast<uint16>(f / ticks_per_millisecond);
    out.microseconds = f / 10;
    out.nanoseconds = f * 100;
    out.picoseconds = f * 100000;
    return true;
}

bool filetime_to_systemtime(int64 filetime, _windows_systemtime& out) {
    systemtime_ex breakdown;
    if (!filetime_to_systemtime_ex(breakdown, filetime)) {
        return false;
    }
    out = static_cast<const _windows_systemtime&>(breakdown);
    return true;
}

bool filetime_to_systemtime_frac(int64 filetime, double ticks, systemtime_ex& out) {
    if (!filetime_to_systemtime_ex(out, filetime)) {
        return false;
    }
    // The fraction belongs inside one second; anything else (also NaN) has no breakdown,
    // and converting it to an integer would be undefined.
    if (!(ticks >= 0.0 && ticks < static_cast<double>(ticks_per_second))) {
        out.clear();
        return false;
    }
    out.millisecond = static_cast<uint16>(std::trunc(ticks / 10000.0));
    out.microseconds = static_cast<int64>(std::trunc(ticks / 10.0));
    out.nanoseconds = static_cast<int64>(std::trunc(ticks * 100.0));
    out.picoseconds = static_cast<int64>(std::trunc(ticks * 100000.0));
    return true;
}

bool filetime_pair_to_systemtime_ex(const filetime_pair& filetime, systemtime_ex& out) {
    const uint64 value = (static_cast<uint64>(filetime.high) << 32) | filetime.low;
    return filetime_to_systemtime_ex(out, static_cast<int64>(value));
}

int64 systemtime_to_filetime(const _windows_systemtime& time) {
    std::tm fields{};
    fields.tm_sec = time.second;
    fields.tm_min = time.minute;
    fields.tm_hour = time.hour;
    fields.tm_mday = time.day;
    fields.tm_mon = time.month - 1;
    fields.tm_year = time.year - 1900;
    return tm_to_filetime(fields, time.millisecond);
}

bool systemtime_to_filetime(filetime_pair& out, const _windows_systemtime& time) {
    return filetime_from_i64(systemtime_to_filetime(time), out);
}

int64 tm_to_filetime(std::tm& tm, int64 ms) {
    int64 y = tm.tm_year;
    int32 month0 = tm.tm_mon;
    if (month0 < 0 || month0 > 11) {
        y += month0 / 12;
        month0 %= 12;
        if (month0 < 0) {
            month0 += 12;
            --y;
        }
        // Only the month is written back; the carried year lives in the computation alone.
        tm.tm_mon = month0;
    }
    int64 value = days_since_1601(y, month0, tm.tm_mday);
    int64 ms_ticks = 0;
    if (!mul_add(value, 24, tm.tm_hour) || !mul_add(value, 60, tm.tm_min) ||
        !mul_add(value, 60, tm.tm_sec) ||
        __builtin_mul_overflow(ms, ticks_per_millisecond, &ms_ticks) ||
        !mul_add(value, ticks_per_second, ms_ticks)) {
        return 0;
    }
    return value;
}

bool tm_to_unix_strict(const std::tm& tm, int64& out) {
    out = -1;
    // Carry every field into range with floor rules, so negative fields borrow.
    int64 minute = tm.tm_min + floor_div(tm.tm_sec, 60);
    const int64 second = floor_mod(tm.tm_sec, 60);
    int64 hour = tm.tm_hour + floor_div(minute, 60);
    minute = floor_mod(minute, 60);
    int64 days = static_cast<int64>(tm.tm_mday) - 1 + floor_div(hour, 24);
    hour = floor_mod(hour, 24);
    int64 year = static_cast<int64>(tm.tm_year) + 1900 + floor_div(tm.tm_mon, 12);
    int32 month0 = static_cast<int32>(floor_mod(tm.tm_mon, 12));
    // Any 400 consecutive years hold 146097 days whatever month they start in, so whole
    // cycles are taken at once and the month walk below stays short for any field values.
    constexpr int64 days_per_400_years = 146097;
    year += 400 * floor_div(days, days_per_400_years);
    days = floor_mod(days, days_per_400_years);
    while (days >= days_in_month[is_leap_year(year) ? 1 : 0][month0]) {
        days -= days_in_month[is_leap_year(year) ? 1 : 0][month0];
        if (++month0 == 12) {
            month0 = 0;
            ++year;
        }
    }
    if (year < unix_epoch_year) {
        return false;
    }
    const int leap = is_leap_year(year) ? 1 : 0;
    int64 value = 365 * (year - unix_epoch_year) + leap_days_through(year - 1) -
                  leap_days_through(unix_epoch_year - 1) + days_before_month[leap][month0] + 1 +
                  days;
    if (!mul_add(value, seconds_per_day, (hour * 60 + minute) * 60 + second) ||
        value > std::numeric_limits<int32>::max()) {
        return false;
    }
    out = value;
    return true;
}

namespace {

// Breakdown of Unix seconds shifted east by shift seconds; the work of unix_to_tm.
bool unix_to_tm_shifted(int64 unix_seconds, std::tm& out, int64 shift_seconds) {
    if (unix_seconds < 0) {
        return false;
    }
    int64 u = 0;
    // A shifted moment before 1970 would break down into negative clock fields, as the
    // year count starts at 1970; it has no breakdown here.
    if (__builtin_add_overflow(unix_seconds, shift_seconds, &u) || u < 0) {
        return false;
    }
    const int64 days_since_1970 = u / seconds_per_day;
    int64 days = days_since_1970;
    int64 year = unix_epoch_year;
    while (days >= year_seconds(year) / seconds_per_day) {
        days -= year_seconds(year) / seconds_per_day;
        if (++year == first_refused_year) {
            out = std::tm{};
            return false;
        }
    }
    fill_tm_date(out, year, days, days_since_1970);
    fill_tm_clock(out, u % seconds_per_day);
    return true;
}

}  // namespace

bool unix_to_tm(int64 unix_seconds, std::tm& out, float offset_hours) {
    // An offset beyond 32 bits of seconds (or NaN) has no integer value to shift by.
    const double shift_seconds = std::trunc(static_cast<double>(offset_hours) * 3600.0);
    if (unix_seconds < 0 || !(shift_seconds >= std::numeric_limits<int32>::min() &&
                              shift_seconds <= std::numeric_limits<int32>::max())) {
        return false;
    }
    return unix_to_tm_shifted(unix_seconds, out, static_cast<int64>(shift_seconds));
}

bool unix_to_utc_tm(int64 unix_seconds, std::tm& out) {
    return unix_to_tm(unix_seconds, out, 0.0F);
}

bool unix_to_local_tm(int64 unix_seconds, std::tm& out) {
    // The moment's own offset, in whole seconds: a July moment in New York is four hours
    // behind UTC and a January one five, whatever the date of the run, and Kolkata's half
    // hour is kept.
    int32 offset = 0;
    if (unix_seconds < 0 || !local_utc_offset_at(unix_seconds, offset)) {
        return false;
    }
    return unix_to_tm_shifted(unix_seconds, out, offset);
}

std::tm unix_to_tm_arith(int64 unix_seconds) {
    std::tm out{};
    // Keep to the moments a FILETIME can hold (1601 to 30828): the fields stay meaningful and
    // the year correction of split_years stays short.
    if (unix_seconds < -unix_epoch_seconds || unix_seconds > last_unix_second) {
        return out;
    }
    const year_split split = split_years(unix_seconds, unix_epoch_year);
    const int64 day_of_year = split.rest / seconds_per_day;
    fill_tm_date(out, split.year, day_of_year, floor_div(unix_seconds, seconds_per_day));
    fill_tm_clock(out, split.rest % seconds_per_day);
    return out;
}

bool local_utc_offset_at(int64 unix_seconds, int32& out) {
    out = 0;
    // tm_gmtoff of the moment itself: mktime(localtime) - mktime(gmtime) would give the
    // standard offset in summer, as mktime reads the gmtime result as local standard time.
    const auto moment = static_cast<std::time_t>(unix_seconds);
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) {
        return false;
    }
    out = static_cast<int32>(local.tm_gmtoff);
    return true;
}

int32 get_local_utc_offset() {
    int32 offset = 0;
    (void)local_utc_offset_at(static_cast<int64>(std::time(nullptr)), offset);  // else 0
    return offset;
}

bool filetime_to_dos(int64 filetime, dos_date_time& out) {
    _windows_systemtime st;
    if (!filetime_to_systemtime(filetime, st) || st.year < first_dos_year ||
        st.year > last_dos_year) {
        return false;
    }
    out.date = static_cast<uint16>((st.day & 0x1F) | ((st.month & 0xF) << 5) |
                                   ((st.year - first_dos_year) << 9));
    // The word counts two-second steps; an odd second counts as the next even one.
    const auto two_seconds = static_cast<uint16>((st.second + 1) / 2);
    const uint16 count = two_seconds > max_dos_two_seconds ? max_dos_two_seconds : two_seconds;
    out.time = static_cast<uint16>(count | ((st.minute & 0x3F) << 5) | (st.hour << 11));
    return true;
}

bool filetime_seconds_between(int64 a, int64 b, uint64& out) {
    out = 0;
    if (a < 0 || b < 0) {
        return false;
    }
    const int64 difference = a > b ? a - b : b - a;
    out = static_cast<uint64>(difference / ticks_per_second);
    return true;
}

}  // namespace kq
