#include "time/date_parse.h"

#include <cmath>
#include <limits>

#include "io/uni_encoding.h"
#include "text/date_text.h"

namespace kq {

namespace {

constexpr uint32 ms_per_hour = 3600000;
constexpr uint32 ms_per_minute = 60000;
constexpr uint32 ms_per_second = 1000;

struct clock_reading {
    int32 hour = 0;
    int32 minute = 0;
    double seconds = 0.0;
};

// A null or empty time is midnight.
bool read_clock(const char* time, clock_reading& clock) {
    if (time == nullptr || *time == '\0') {
        return true;
    }
    return parse_hms(time, clock.hour, clock.minute, clock.seconds);
}

constexpr uint16 ms_per_second_u16 = 1000;
constexpr uint16 seconds_per_minute = 60;
constexpr uint16 minutes_per_hour = 60;
constexpr uint16 hours_per_day = 24;
constexpr uint16 months_per_year = 12;

// Steps the record on by one day, from the last day of a month into the next month and from
// December into the next year. False when the year would leave the record's 16 bits.
bool next_day(_windows_systemtime& out) {
    const int leap = is_leap_year(out.year) ? 1 : 0;
    if (out.day < days_in_month[leap][out.month - 1]) {
        ++out.day;
        return true;
    }
    out.day = 1;
    if (out.month < months_per_year) {
        ++out.month;
        return true;
    }
    out.month = 1;
    if (out.year == std::numeric_limits<uint16>::max()) {
        return false;
    }
    ++out.year;
    return true;
}

// A fraction that rounds up to a whole second (59.9996 s) is carried into the second and on
// up, so the record never holds a millisecond of 1000: 23:59:59.9996 on the last day of a
// year is midnight of the next year.
bool carry_whole_second(_windows_systemtime& out) {
    out.millisecond = 0;
    if (++out.second < seconds_per_minute) {
        return true;
    }
    out.second = 0;
    if (++out.minute < minutes_per_hour) {
        return true;
    }
    out.minute = 0;
    if (++out.hour < hours_per_day) {
        return true;
    }
    out.hour = 0;
    return next_day(out);
}

// The date readers have checked the day against its month, the clock reader the hour,
// minute and seconds; only the year can still exceed the record's 16 bits.
bool store_record(uint32 day, uint32 month, uint32 year, const clock_reading& clock,
                  _windows_systemtime& out) {
    if (year > std::numeric_limits<uint16>::max()) {
        return false;
    }
    _windows_systemtime record;
    record.year = static_cast<uint16>(year);
    record.month = static_cast<uint16>(month);
    record.day = static_cast<uint16>(day);
    record.hour = static_cast<uint16>(clock.hour);
    record.minute = static_cast<uint16>(clock.minute);
    const double whole = std::trunc(clock.seconds);
    record.second = static_cast<uint16>(whole);
    record.millisecond = static_cast<uint16>(std::trunc((clock.seconds - whole) * 1000.0 + 0.5));
    if (record.millisecond >= ms_per_second_u16 && !carry_whole_second(record)) {
        return false;
    }
    out = record;
    return true;
}

// A converted text, or null when there is none or it is empty.
bool narrow_text(const wchar_t* wide, std::string& narrow, const char*& out) {
    out = nullptr;
    if (wide == nullptr || *wide == L'\0') {
        return true;
    }
    if (!uni::wstring_to_utf8(narrow, std::wstring(wide))) {
        return false;  // a character beyond Unicode: not a date or time text
    }
    if (!narrow.empty()) {
        out = narrow.c_str();
    }
    return true;
}

}  // namespace

bool parse_systemtime(const char* date, const char* time, const std::string& order, char separator,
                      _windows_systemtime& out) {
    if (date == nullptr || *date == '\0') {
        return false;
    }
    std::string field_order = order;
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    clock_reading clock;
    if (!parse_date_by_order(date, field_order, separator, day, month, year) ||
        !read_clock(time, clock)) {
        return false;
    }
    return store_record(day, month, year, clock, out);
}

bool parse_systemtime_mdy(const char* date, const char* time, _windows_systemtime& out) {
    if (date == nullptr || *date == '\0') {
        return false;
    }
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    clock_reading clock;
    if (!parse_date_mdy(date, day, month, year) || !read_clock(time, clock)) {
        return false;
    }
    return store_record(day, month, year, clock, out);
}

bool parse_systemtime_w(const wchar_t* date, const wchar_t* time, _windows_systemtime& out) {
    std::string date_text;
    std::string time_text;
    const char* narrow_date = nullptr;
    const char* narrow_time = nullptr;
    if (!narrow_text(date, date_text, narrow_date) || !narrow_text(time, time_text, narrow_time)) {
        return false;
    }
    return parse_systemtime_mdy(narrow_date, narrow_time, out);
}

bool parse_date_time_tm(const char* date, const char* time, std::tm& out) {
    if (date == nullptr && time == nullptr) {
        return false;
    }
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    uint32 ms = 0;
    if ((date != nullptr && !parse_date_mdy(date, day, month, year)) ||
        (time != nullptr && !parse_time_of_day_ms(time, ms))) {
        return false;
    }
    out = std::tm{};
    // parse_date_mdy keeps the year to four digits and the month and day to 1 to 31.
    out.tm_year = static_cast<int>(year) - 1900;
    out.tm_mon = static_cast<int>(month) - 1;
    out.tm_mday = static_cast<int>(day);
    out.tm_hour = static_cast<int>(ms / ms_per_hour);
    out.tm_min = static_cast<int>((ms / ms_per_minute) % 60);
    out.tm_sec =
        static_cast<int>((ms / ms_per_second) % 3600 - static_cast<uint32>(out.tm_min) * 60);
    return true;
}

}  // namespace kq
