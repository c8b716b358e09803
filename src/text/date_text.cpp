#include "text/date_text.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string_view>

#include "text/number_text.h"
#include "text/text_case.h"
#include "text/text_replace.h"

namespace {

// Fixed limits of the fields, as the readers' buffers hold them.
constexpr std::size_t max_date_text = 512;
constexpr std::size_t max_mdy_first_field = 2;
constexpr std::size_t max_mdy_second_field = 3;
constexpr std::size_t max_mdy_year = 4;
constexpr std::size_t max_clock_field = 31;
// Empty fields skipped before the second field of an ordered date.
constexpr int max_empty_fields = 3;
constexpr int32 noon_hour = 12;
constexpr int32 hours_per_day = 24;
constexpr int32 minutes_per_hour = 60;
constexpr double seconds_per_minute = 60.0;
// Hour, minute and whole seconds are written with one or two digits.
constexpr std::size_t max_clock_digits = 2;
constexpr uint32 ms_per_hour = 3600000;
constexpr uint32 ms_per_minute = 60000;
constexpr double ms_per_second = 1000.0;
constexpr std::array<uint32, 12> month_days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr uint32 february = 2;

const std::array<const char*, 12> month_keys = {"jan", "feb", "mar", "apr", "may", "jun",
                                                "jul", "aug", "sep", "oct", "nov", "dec"};

// Two-digit years (by value) are widened with the pivot 30.
uint32 widen_year(uint32 year) {
    if (year <= 30) {
        return year + 2000;
    }
    if (year <= 99) {
        return year + 1900;
    }
    return year;
}

// Gregorian leap years, counted from the calendar year (the time library keeps its own
// table; this layer lies below it).
bool is_leap(uint32 year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// A day that the month really has: 2024-02-29 is a date, 2023-02-29 and 2024-04-31 are not
// (they would count on into the next month).
bool valid_date(uint32 day, uint32 month, uint32 year) {
    if (month < 1 || month > month_days.size() || day < 1) {
        return false;
    }
    const uint32 length = month_days.at(month - 1) + (month == february && is_leap(year) ? 1 : 0);
    return day <= length;
}

char order_letter(const std::string& order, std::size_t index) {
    return index < order.size() ? order[index] : '\0';
}

bool all_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// Stores a numeric field in the output its order letter names. The field is plain decimal
// digits: a stray letter or sign is a typo, never part of a date.
bool store_number(char letter, const std::string& field, uint32& day, uint32& month, uint32& year) {
    uint32 value = 0;
    if (field.empty() || !all_digits(field) || !string_to_uint32(field, &value)) {
        return false;
    }
    switch (letter) {
        case 'D':
            day = value;
            return true;
        case 'M':
            month = value;
            return true;
        case 'Y':
            year = value;
            return true;
        default:
            return false;
    }
}

bool lookup_month_name(std::string field, uint32& month) {
    // Created on first use and kept for the process, like every other month table.
    static std::map<std::string, int32> month_name_map;
    fill_month_name_map(month_name_map);
    const auto found = month_name_map.find(string_to_lower(field));
    if (found == month_name_map.end()) {
        return false;
    }
    month = static_cast<uint32>(found->second);
    return true;
}

// The next field that is not empty, giving up after max_empty_fields empty reads.
bool read_second_field(std::istringstream& fields, char separator, std::string& field) {
    for (int read = 0; read < max_empty_fields; ++read) {
        if (!std::getline(fields, field, separator)) {
            return false;
        }
        if (!field.empty()) {
            break;
        }
    }
    return true;
}

bool read_third_field(std::istringstream& fields, char separator, std::string& field) {
    do {
        if (!std::getline(fields, field, separator)) {
            return false;
        }
    } while (field.empty());
    return true;
}

// A field of a month/day/year date: a number when it starts with a digit, else a month name.
int mdy_field_value(const std::string& field, bool& is_name) {
    is_name = field.empty() || std::isdigit(static_cast<unsigned char>(field[0])) == 0;
    if (is_name) {
        return month_from_abbrev(field.c_str());
    }
    return std::atoi(field.c_str());  // at most 3 characters: no overflow
}

enum class meridiem { none, am, pm };

// The texts of one hour:minute[:seconds][ am|pm] reading.
struct clock_parts {
    std::string hour;
    std::string minute;
    std::string seconds;
    bool has_seconds = false;
    meridiem marker = meridiem::none;
};

// End of a field that runs up to the am/pm marker, less a blank before the marker.
std::size_t end_before_marker(const std::string& text, std::size_t marker) {
    return marker > 0 && text[marker - 1] == ' ' ? marker - 1 : marker;
}

bool cut_field(const std::string& text, std::size_t from, std::size_t to, std::string& out) {
    if (to < from || to - from > max_clock_field) {
        return false;
    }
    out = text.substr(from, to - from);
    return true;
}

// The "am"/"pm" that may end a time text: its position, or npos when the text has none.
// False for an 'm' after the colon that is not such a marker ("10:05 xm", "10:m").
bool find_marker(const std::string& t, std::size_t c1, std::size_t& marker, meridiem& kind) {
    marker = std::string::npos;
    const std::size_t m = t.find('m', c1 + 1);
    if (m == std::string::npos) {
        return true;
    }
    if (m + 1 != t.size() || m < c1 + 2 || (t[m - 1] != 'a' && t[m - 1] != 'p')) {
        return false;
    }
    marker = m - 1;
    kind = t[marker] == 'p' ? meridiem::pm : meridiem::am;
    return true;
}

// Splits a time text into its fields; false without ':', for a stray 'm', or for a field
// beyond its limit (at most 31 characters; the minute must not be empty).
bool split_clock_text(const char* text, clock_parts& parts) {
    if (text == nullptr) {
        return false;
    }
    std::string t(text);
    static_cast<void>(trim_whitespace(t));  // an all-blank text simply has no ':'
    string_to_lower(t);
    const std::size_t c1 = t.find(':');
    std::size_t marker = std::string::npos;
    if (c1 == std::string::npos || !find_marker(t, c1, marker, parts.marker)) {
        return false;
    }
    const std::size_t c2 = t.find(':', c1 + 1);
    const std::size_t text_end =
        marker == std::string::npos ? t.size() : end_before_marker(t, marker);
    const std::size_t minute_end = c2 == std::string::npos ? text_end : c2;
    if (!cut_field(t, 0, c1, parts.hour) || !cut_field(t, c1 + 1, minute_end, parts.minute) ||
        parts.minute.empty()) {
        return false;
    }
    if (c2 == std::string::npos) {
        return true;
    }
    parts.has_seconds = true;
    return cut_field(t, c2 + 1, text_end, parts.seconds);
}

// An hour or minute field: one or two decimal digits, nothing else.
bool read_clock_number(const std::string& field, int32& out) {
    if (field.empty() || field.size() > max_clock_digits || !all_digits(field)) {
        return false;
    }
    out = 0;
    for (const char c : field) {
        out = out * 10 + (c - '0');
    }
    return true;
}

// A seconds field: one or two digits, optionally a point and at least one more digit.
bool read_seconds(const std::string& field, double& out) {
    const std::size_t point = field.find('.');
    const std::string_view whole = std::string_view(field).substr(0, point);
    if (whole.empty() || whole.size() > max_clock_digits || !all_digits(whole)) {
        return false;
    }
    if (point != std::string::npos &&
        (point + 1 == field.size() || !all_digits(std::string_view(field).substr(point + 1)))) {
        return false;
    }
    out = std::strtod(field.c_str(), nullptr);
    return true;
}

// The hour of the day: 0 to 23 without a marker; with "am"/"pm" a 12-hour clock value of 1
// to 12, where 12 am is hour 0, 12 pm is 12 and 1 to 11 pm are 13 to 23.
bool hour_of_day(int32 hour, meridiem marker, int32& out) {
    if (marker == meridiem::none) {
        out = hour;
        return hour < hours_per_day;
    }
    if (hour < 1 || hour > noon_hour) {
        return false;
    }
    out = hour % noon_hour + (marker == meridiem::pm ? noon_hour : 0);
    return true;
}

// One validated clock reading: a typo in a time must not move a moment silently, so a field
// that is not a number or lies outside its range refuses the whole text.
struct clock_value {
    int32 hour = 0;
    int32 minute = 0;
    double seconds = 0.0;
};

bool read_clock(const char* text, clock_value& value) {
    clock_parts parts;
    int32 hour = 0;
    if (!split_clock_text(text, parts) || !read_clock_number(parts.hour, hour) ||
        !hour_of_day(hour, parts.marker, value.hour) ||
        !read_clock_number(parts.minute, value.minute) || value.minute >= minutes_per_hour) {
        return false;
    }
    value.seconds = 0.0;
    return !parts.has_seconds ||
           (read_seconds(parts.seconds, value.seconds) && value.seconds < seconds_per_minute);
}

}  // namespace

bool parse_date_by_order(const char* text, std::string& order, char separator, uint32& day,
                         uint32& month, uint32& year) {
    day = 0;
    month = 0;
    year = 0;
    if (text == nullptr || order.size() < 3) {
        return false;
    }
    std::istringstream fields{std::string(text)};
    std::string field;
    if (!std::getline(fields, field, separator)) {
        return false;
    }
    const std::size_t name_at = order.find("Mon");
    string_to_upper(order);
    std::string long_month = "MON";
    static_cast<void>(replace_first(order, long_month, "M", false));  // absent is fine
    const bool first_ok = name_at == 0
                              ? lookup_month_name(field, month)
                              : store_number(order_letter(order, 0), field, day, month, year);
    if (!first_ok || !read_second_field(fields, separator, field)) {
        return false;
    }
    const bool second_is_name = name_at != std::string::npos && name_at != 0;
    const bool second_ok = second_is_name
                               ? lookup_month_name(field, month)
                               : store_number(order_letter(order, 1), field, day, month, year);
    if (!second_ok || !read_third_field(fields, separator, field) ||
        !store_number(order_letter(order, 2), field, day, month, year)) {
        return false;
    }
    year = widen_year(year);
    // A day the month does not have is no date: let through, it would count on into another
    // month (2024-00-00 as 2023-11-30, 2023-02-29 as 2023-03-01).
    return valid_date(day, month, year);
}

void fill_month_name_map(std::map<std::string, int32>& map) {
    if (!map.empty()) {
        return;
    }
    for (std::size_t i = 0; i < month_keys.size(); ++i) {
        map.emplace(month_keys.at(i), static_cast<int32>(i + 1));
    }
}

int month_from_abbrev(const char* text) {
    if (text == nullptr || strnlen(text, 3) < 3) {
        return -1;
    }
    for (std::size_t i = 0; i < month_keys.size(); ++i) {
        if (strncasecmp(text, month_keys.at(i), 3) == 0) {
            return static_cast<int>(i + 1);
        }
    }
    return -1;
}

bool parse_date_mdy(const char* text, uint32& day, uint32& month, uint32& year) {
    day = 0;
    month = 0;
    year = 0;
    if (text == nullptr) {
        return false;
    }
    const std::string t(text, strnlen(text, max_date_text));
    const char separator = t.find('-') != std::string::npos ? '-' : '/';
    const std::size_t p1 = t.find(separator);
    const std::size_t p2 = p1 == std::string::npos ? p1 : t.find(separator, p1 + 1);
    if (p2 == std::string::npos || p1 > max_mdy_first_field || p2 - p1 - 1 > max_mdy_second_field ||
        p2 + 1 >= t.size()) {
        return false;
    }
    std::string year_text = t.substr(p2 + 1, max_mdy_year);
    year_text = year_text.substr(0, year_text.find(' '));
    if (year_text.empty() || std::isdigit(static_cast<unsigned char>(year_text[0])) == 0) {
        return false;
    }
    bool first_is_name = false;
    bool second_is_name = false;
    const int first = mdy_field_value(t.substr(0, p1), first_is_name);
    const int second = mdy_field_value(t.substr(p1 + 1, p2 - p1 - 1), second_is_name);
    year = static_cast<uint32>(std::atoi(year_text.c_str()));  // at most 4 digits
    if (year_text.size() == 2) {
        year += year <= 30 ? 2000 : 1900;
    }
    // A month name in the second field makes it day-month-year; else month/day/year. A name
    // that is no month gives -1, which the unsigned range test refuses.
    month = static_cast<uint32>(second_is_name ? second : first);
    day = static_cast<uint32>(second_is_name ? first : second);
    return valid_date(day, month, year);
}

bool parse_hms(const char* text, int32& hour, int32& minute, double& seconds) {
    hour = 0;
    minute = 0;
    seconds = 0.0;
    clock_value clock;
    if (!read_clock(text, clock)) {
        return false;
    }
    hour = clock.hour;
    minute = clock.minute;
    seconds = clock.seconds;
    return true;
}

bool parse_hms_int(const char* text, int32& hour, int32& minute, int32& seconds) {
    seconds = 0;
    double fractional = 0.0;
    if (!parse_hms(text, hour, minute, fractional)) {
        return false;
    }
    seconds = static_cast<int32>(fractional);  // below 60
    return true;
}

bool parse_time_of_day_ms(const char* text, uint32& milliseconds) {
    milliseconds = 0;
    clock_value clock;
    if (!read_clock(text, clock)) {
        return false;
    }
    // At most 23:59:59.999: far inside 32 bits.
    milliseconds = static_cast<uint32>(clock.hour) * ms_per_hour +
                   static_cast<uint32>(clock.minute) * ms_per_minute +
                   static_cast<uint32>(clock.seconds * ms_per_second);
    return true;
}
