// The fixed date and time forms built on time::to_strings, and the other fixed printers.

#include <cstdio>
#include <iomanip>
#include <locale>
#include <span>
#include <sstream>
#include <stdexcept>

#include "text/env_expand.h"
#include "text/path_text.h"
#include "time/time_arith.h"
#include "time/time_format.h"
// Upward include: the wide forms convert through the text encodings of the file layer.
#include "io/uni_encoding.h"

namespace kq {

namespace {

// Every fixed form is formatted into a buffer of this size; snprintf keeps even extreme
// field values inside it.
constexpr std::size_t fixed_buffer_size = 30;
constexpr int last_1900s_year = 1999;

std::string fixed_date(const time& t, bool two_digit_year) {
    char buffer[fixed_buffer_size];
    if (two_digit_year) {
        const int year = t.year() <= last_1900s_year ? t.year() - 1900 : t.year() - 2000;
        (void)std::snprintf(buffer, sizeof buffer, "%02d-%02d-%02d", year, t.month(), t.day());
    } else {
        (void)std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.year(), t.month(), t.day());
    }
    return buffer;
}

std::string fixed_time(const time& t, bool with_fraction, bool nanoseconds) {
    char buffer[fixed_buffer_size];
    if (with_fraction && nanoseconds) {
        (void)std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%09lld", t.hour(), t.minute(),
                            t.second(), static_cast<long long>(t.nanoseconds()));
    } else if (with_fraction) {
        (void)std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03u", t.hour(), t.minute(),
                            t.second(), t.milliseconds(false));
    } else {
        (void)std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour(), t.minute(),
                            t.second());
    }
    return buffer;
}

// The date in the locale's own representation ('x'); false when the locale cannot be
// built.
bool locale_date_text(const std::string& locale_name, const time& t, std::string& date) {
    try {
        const std::locale locale(locale_name.c_str());
        std::ostringstream stream;
        stream.imbue(locale);
        std::tm fields{};
        fields.tm_mon = t.month() - 1;
        fields.tm_mday = t.day();
        fields.tm_year = t.year() - 1900;
        fields.tm_hour = t.hour();
        fields.tm_min = t.minute();
        fields.tm_sec = t.second();
        const auto& put = std::use_facet<std::time_put<char>>(locale);
        put.put(std::ostreambuf_iterator<char>(stream), stream, ' ', &fields, 'x');
        date = stream.str();
        return true;
    } catch (const std::runtime_error&) {
        return false;  // the environment names a locale this system does not have
    }
}

}  // namespace

void time::to_strings(std::string& date, std::string& time_text, const time& t, bool with_fraction,
                      bool two_digit_year, bool locale_date, bool nanoseconds) {
    date.clear();
    time_text.clear();
    if (!t.is_valid) {
        return;
    }
    std::string locale_name;
    if (!locale_date || !locale_from_environment(locale_name) ||
        !locale_date_text(locale_name, t, date)) {
        date = fixed_date(t, two_digit_year);
    }
    time_text = fixed_time(t, with_fraction, nanoseconds);
}

std::ostream& print_time_short(std::ostream& out, const time& t) {
    if (!t.is_valid) {
        return out << "00/00/00 00:00:00";
    }
    std::string date;
    std::string time_text;
    time::to_strings(date, time_text, t, false, true, false, false);
    return out << date << ' ' << time_text;
}

std::ostream& print_time_plain(std::ostream& out, const time& t) {
    if (!t.is_valid) {
        return out << "00/00/00 00:00:00";
    }
    std::string date;
    std::string time_text;
    time::to_strings(date, time_text, t, false, false, false, false);
    return out << date << ' ' << time_text;
}

void format_date_time_ms(std::string& date, std::string& time_text, const time& t,
                         bool locale_date) {
    time::to_strings(date, time_text, t, true, false, locale_date, false);
}

void format_date_time_ms(std::wstring& date, std::wstring& time_text, const time& t,
                         bool locale_date) {
    std::string narrow_date;
    std::string narrow_time;
    format_date_time_ms(narrow_date, narrow_time, t, locale_date);
    date = uni::utf8_to_wstring(narrow_date);
    time_text = uni::utf8_to_wstring(narrow_time);
}

void format_date_time_sec(std::string& date, std::string& time_text, const time& t,
                          bool locale_date) {
    time::to_strings(date, time_text, t, false, false, locale_date, false);
}

std::ostream& operator<<(std::ostream& out, const time& t) {
    std::string date;
    std::string time_text;
    time::to_strings(date, time_text, t, true, false, false, false);
    return out << date << ' ' << time_text;
}

void append_date_time(std::string& out, const time& t) {
    std::string date;
    std::string time_text;
    time::to_strings(date, time_text, t, true, false, false, false);
    out += date;
    out += ' ';
    out += time_text;
}

namespace {

std::string short_ms_text(const time& t) {
    if (!t.is_valid) {
        return "0000-00-00 00:00:00";
    }
    std::string date;
    std::string time_text;
    time::to_strings(date, time_text, t, true, true, false, false);
    return date + " " + time_text;
}

}  // namespace

std::ostream& print_time_short_ms(std::ostream& out, const time& t) {
    return out << short_ms_text(t);
}

std::wostream& print_time_short_ms(std::wostream& out, const time& t) {
    return out << uni::utf8_to_wstring(short_ms_text(t));
}

std::ostream& print_filetime_short_ms(std::ostream& out, int64 filetime) {
    return print_time_short_ms(out, time(filetime, tt_filetime));
}

bool format_filetime_ns(std::string& out, int64 filetime) {
    static const std::string date_template = "yyyy-mm-dd";
    static const std::string time_template = "hh:mm:ss.xxxxxxxxx";
    out.clear();
    if (filetime == 0) {
        return false;
    }
    const time t(filetime, tt_filetime);
    std::string date;
    std::string time_text;
    if (!format_time_by_template(date, time_text, t, date_template, time_template)) {
        return false;
    }
    out = date + " " + time_text;
    return true;
}

namespace {

template <typename char_type>
void print_mdy(std::basic_ostream<char_type>& out, const time& t, bool date_only) {
    const char_type fill = out.fill();
    const std::ios_base::fmtflags flags = out.flags();
    out << std::dec << std::right << std::setfill(static_cast<char_type>('0'));
    out << std::setw(2) << t.month() << static_cast<char_type>('/') << std::setw(2) << t.day()
        << static_cast<char_type>('/') << std::setw(4) << t.year();
    if (!date_only) {
        const auto colon = static_cast<char_type>(':');
        out << static_cast<char_type>(' ') << colon << static_cast<char_type>(' ') << std::setw(2)
            << t.hour() << colon << std::setw(2) << t.minute() << colon << std::setw(2)
            << t.second();
        out << static_cast<char_type>(' ') << static_cast<char_type>('[')
            << static_cast<char_type>(' ') << std::setw(3) << t.milliseconds(false);
        for (const char c : std::string(" ms ]")) {
            out << static_cast<char_type>(c);
        }
    }
    out.fill(fill);
    out.flags(flags);
}

}  // namespace

void print_mdy_time_ms(std::ostream& out, const time& t, bool date_only) {
    print_mdy(out, t, date_only);
}

void print_mdy_time_ms(std::wostream& out, const time& t, bool date_only) {
    print_mdy(out, t, date_only);
}

bool format_systemtime_mdy(std::string& out, const _windows_systemtime& systemtime) {
    char buffer[64];
    (void)std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d : %02d:%02d:%02d.%03d",
                        systemtime.month, systemtime.day, systemtime.year, systemtime.hour,
                        systemtime.minute, systemtime.second, systemtime.millisecond);
    out = buffer;
    return true;
}

bool format_iso8601_utc(int64 unix_seconds, std::string& out, float hour_offset) {
    constexpr int64 days_per_400_years = 146097;
    out.clear();  // a refused value must not leave an earlier result behind
    int64 shift = 0;
    int64 total = 0;
    if (unix_seconds < 0 ||
        !time_arith::trunc_to_int64(static_cast<double>(hour_offset) * 3600.0, shift) ||
        __builtin_add_overflow(unix_seconds, shift, &total) || total < 0) {
        return false;  // before 1970 (also after the shift): no form here
    }
    const int64 second_of_day = total % 86400;
    int64 days = total / 86400;
    // Whole 400-year cycles first, so that far-off values need no long walk.
    int64 year = 1970 + 400 * (days / days_per_400_years);
    days %= days_per_400_years;
    while (days >= (is_leap_year(year) ? 366 : 365)) {
        days -= is_leap_year(year) ? 366 : 365;
        ++year;
    }
    // days is below the year's length here, so the walk ends by December.
    const std::span<const int32, 12> month_lengths(days_in_month[is_leap_year(year) ? 1 : 0]);
    std::size_t month = 0;
    while (days >= month_lengths[month]) {
        days -= month_lengths[month];
        ++month;
    }
    const long long hour = second_of_day / 3600;
    const long long minute = (second_of_day % 3600) / 60;
    const long long second = second_of_day % 60;
    const long long day = days + 1;
    char buffer[128];  // room for every field at its widest 64-bit value
    (void)std::snprintf(buffer, sizeof buffer, "%04lld-%02zu-%02lldT%02lld:%02lld:%02lldZ",
                        static_cast<long long>(year), month + 1, day, hour, minute, second);
    out = buffer;
    return true;
}

bool format_gmt_date_now(std::string& out) {
    const time now = time::now();
    std::ostringstream text;
    text << day_names.at(now.utc.day_of_week % day_names.size()) << ", " << now.day() << ' '
         << month_names.at((now.month() + month_names.size() - 1) % month_names.size()) << ' '
         << now.year() << ' ' << std::setfill('0') << std::setw(2) << now.hour() << ':'
         << std::setw(2) << now.minute() << ':' << std::setw(2) << now.second() << " GMT";
    out = text.str();
    return true;
}

}  // namespace kq

bool locale_from_environment(std::string& name) {
    name.clear();
    if (is_locale_name("")) {
        return true;  // the environment's default locale
    }
    for (const char* variable : {"%LC_TIME%", "%LANG%"}) {
        std::string text = variable;
        name = expand_env_vars(text, false);
        if (is_locale_name(name.c_str())) {
            return true;
        }
    }
    name.clear();
    return false;
}
