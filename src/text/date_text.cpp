#include "text/date_text.h"

#include <strings.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>

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
constexpr double ms_per_hour = 3600000.0;
constexpr double ms_per_minute = 60000.0;
constexpr double ms_per_second = 1000.0;

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

bool valid_day_and_month(uint32 day, uint32 month) {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

char order_letter(const std::string& order, std::size_t index) {
    return index < order.size() ? order[index] : '\0';
}

// Stores a numeric field in the output its order letter names.
bool store_number(char letter, const std::string& field, uint32& day, uint32& month, uint32& year) {
    uint32 value = 0;
    if (!string_to_uint32(field, &value)) {
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

// Splits a time text into its fields; false without ':' or for a field beyond its limit
// (minute 1 to 31 characters, hour and seconds at most 31).
bool split_clock_text(const char* text, clock_parts& parts) {
    if (text == nullptr) {
        return false;
    }
    std::string t(text);
    static_cast<void>(trim_whitespace(t));  // an all-blank text simply has no ':'
    string_to_lower(t);
    const std::size_t c1 = t.find(':');
    if (c1 == std::string::npos) {
        return false;
    }
    const std::size_t c2 = t.find(':', c1 + 1);
    std::size_t marker = t.find('m', c1 + 1);
    if (marker != std::string::npos) {
        --marker;  // the 'a' or 'p' before the 'm'
        parts.marker =
            t[marker] == 'p' ? meridiem::pm : (t[marker] == 'a' ? meridiem::am : meridiem::none);
    }
    std::size_t minute_end = t.size();
    if (c2 != std::string::npos) {
        minute_end = c2;
    } else if (marker != std::string::npos) {
        minute_end = end_before_marker(t, marker);
    }
    if (!cut_field(t, 0, c1, parts.hour) || !cut_field(t, c1 + 1, minute_end, parts.minute) ||
        parts.minute.empty()) {
        return false;
    }
    if (c2 == std::string::npos) {
        return true;
    }
    parts.has_seconds = true;
    const bool marker_after = marker != std::string::npos && marker > c2;
    return cut_field(t, c2 + 1, marker_after ? end_before_marker(t, marker) : t.size(),
                     parts.seconds);
}

double read_decimal(const std::string& field) { return std::strtod(field.c_str(), nullptr); }

// The integer part of a value, when it has one in 32 bits.
bool whole_part(double value, int32& out) {
    const double whole = std::trunc(value);
    if (!(whole >= std::numeric_limits<int32>::min() &&
          whole <= std::numeric_limits<int32>::max())) {
        return false;
    }
    out = static_cast<int32>(whole);
    return true;
}

// 12 am is hour 0, 12 pm is hour 12, 1 to 11 pm are 13 to 23.
int32 hour_of_day(int32 hour, meridiem marker) {
    if (marker == meridiem::pm && hour >= 1 && hour < noon_hour) {
        return hour + noon_hour;
    }
    if (marker == meridiem::am && hour == noon_hour) {
        return 0;
    }
    return hour;
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
    // A day or month of 0 is no date: let through, it would count back into the month or
    // year before (2024-00-00 as 2023-11-30).
    return valid_day_and_month(day, month);
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
    return valid_day_and_month(day, month);
}

bool parse_hms(const char* text, int32& hour, int32& minute, double& seconds) {
    hour = 0;
    minute = 0;
    seconds = 0.0;
    clock_parts parts;
    int32 h = 0;
    int32 m = 0;
    if (!split_clock_text(text, parts) || !whole_part(read_decimal(parts.hour), h) ||
        !whole_part(read_decimal(parts.minute), m)) {
        return false;
    }
    const double s = parts.has_seconds ? read_decimal(parts.seconds) : 0.0;
    if (!std::isfinite(s)) {
        return false;
    }
    hour = hour_of_day(h, parts.marker);
    minute = m;
    seconds = s;
    return true;
}

bool parse_hms_int(const char* text, int32& hour, int32& minute, int32& seconds) {
    seconds = 0;
    double fractional = 0.0;
    if (!parse_hms(text, hour, minute, fractional)) {
        return false;
    }
    return whole_part(fractional, seconds);
}

bool parse_time_of_day_ms(const char* text, uint32& milliseconds) {
    milliseconds = 0;
    clock_parts parts;
    if (!split_clock_text(text, parts) || parts.hour.empty()) {
        return false;
    }
    const double hours = read_decimal(parts.hour);
    int32 whole_hours = 0;
    if (!whole_part(hours, whole_hours)) {
        return false;
    }
    const double shift = static_cast<double>(hour_of_day(whole_hours, parts.marker) -
                                             static_cast<int64>(whole_hours)) *
                         ms_per_hour;
    const double total =
        shift + std::trunc(hours * ms_per_hour) +
        std::trunc(read_decimal(parts.minute) * ms_per_minute) +
        (parts.has_seconds ? std::trunc(read_decimal(parts.seconds) * ms_per_second) : 0.0);
    // A negative or over-large total (also NaN or infinity) is no time of day in 32 bits.
    if (!(total >= 0.0 && total <= std::numeric_limits<uint32>::max())) {
        return false;
    }
    milliseconds = static_cast<uint32>(total);
    return true;
}
