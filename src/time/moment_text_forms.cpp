#include "time/moment_text_forms.h"

#include <cstdio>
#include <ctime>
#include <sstream>

// The wide stamp converts UTF-8 with the encoding layer above; the time library has no
// converter of its own.
#include "io/uni_encoding.h"
#include "text/time_display_spec.h"
#include "time/field_lines.h"
#include "time/kq_calendar.h"
#include "time/time_format.h"

namespace kq {

namespace {

inline constexpr int64 seconds_per_minute = 60;
inline constexpr int64 minutes_per_hour = 60;
// Large enough for any mail-style date, whatever the year and bias.
inline constexpr std::size_t rfc_buffer_size = 512;

// The fields of a mail-style date, with the zone already split into sign and magnitude.
struct rfc_fields {
    std::tm wall{};
    char sign = '+';
    int64 zone_hours = 0;
    int64 zone_minutes = 0;
};

// A bias counts minutes west of UTC, so the zone's offset east is its negation: '+' for a
// bias of zero or below. The sign is taken before the division, or a bias of 30 would come
// out as "+0030".
void split_bias(int32 bias_minutes, rfc_fields& fields) {
    const int64 bias = bias_minutes;
    fields.sign = bias <= 0 ? '+' : '-';
    const int64 magnitude = bias < 0 ? -bias : bias;
    fields.zone_hours = magnitude / minutes_per_hour;
    fields.zone_minutes = magnitude % minutes_per_hour;
}

std::string write_rfc_fields(const rfc_fields& fields) {
    const std::tm& wall = fields.wall;
    char buffer[rfc_buffer_size] = {};
    // unix_to_utc_tm yields weekday 0-6 and month 0-11 for every moment it accepts.
    std::snprintf(buffer, sizeof buffer, "%s, %02d %s %d %02d:%02d:%02d %c%02lld%02lld",
                  day_names.at(static_cast<std::size_t>(wall.tm_wday)).c_str(), wall.tm_mday,
                  month_names.at(static_cast<std::size_t>(wall.tm_mon)).c_str(),
                  wall.tm_year + 1900, wall.tm_hour, wall.tm_min, wall.tm_sec, fields.sign,
                  static_cast<long long>(fields.zone_hours),
                  static_cast<long long>(fields.zone_minutes));
    return buffer;
}

}  // namespace

std::ostream& print_filetime_stamp(std::ostream& out, uint64 filetime, bool hours_minutes,
                                   bool seconds, bool milliseconds) {
    const time t(filetime, tt_filetime);
    out.fill('0');
    out.setf(std::ios::dec, std::ios::basefield);
    out.setf(std::ios::right, std::ios::adjustfield);
    out.width(4);
    out << t.year() << '_';
    out.width(2);
    out << t.month() << '_';
    out.width(2);
    out << t.day();
    if (hours_minutes) {
        out << '_';
        out.width(2);
        out << t.hour();
        out.width(2);
        out << t.minute();
    }
    if (seconds) {
        out << '_';
        out.width(2);
        out << t.second();
    }
    if (milliseconds) {
        out << '_';
        out.width(3);
        out << t.milliseconds(false);
    }
    return out;
}

std::ostream& print_filetime_stamp(std::ostream& out, uint64 filetime, bool all) {
    return print_filetime_stamp(out, filetime, all, all, all);
}

std::wostream& print_filetime_stamp(std::wostream& out, uint64 filetime, bool all) {
    std::ostringstream text;
    print_filetime_stamp(text, filetime, all);
    out << uni::utf8_to_wstring(text.str());
    return out;
}

std::ostream& print_date_iso(std::ostream& out, const time& t) {
    const char old_fill = out.fill('0');
    const std::ios::fmtflags old_flags = out.flags();
    out.setf(std::ios::dec, std::ios::basefield);
    out.width(4);
    out << t.year() << '-';
    out.width(2);
    out << t.month() << '-';
    out.width(2);
    out << t.day();
    out.fill(old_fill);
    out.flags(old_flags);
    return out;
}

bool format_time_by_spec_text(std::string& date, std::string& time_text, const time& t,
                              const std::string& text_template, bool with_fraction,
                              bool two_digit_year, bool locale_date, bool nanoseconds) {
    if (text_template.empty()) {
        if (!t.is_valid) {
            return false;
        }
        time::to_strings(date, time_text, t, with_fraction, two_digit_year, locale_date,
                         nanoseconds);
        return true;
    }
    std::string date_template;
    std::string time_template;
    const std::size_t blank = text_template.find(' ');
    if (blank != std::string::npos) {
        date_template = text_template.substr(0, blank);
        time_template = text_template.substr(blank + 1);
    } else if (text_template.find('/') != std::string::npos ||
               text_template.find('-') != std::string::npos) {
        date_template = text_template;
    } else if (text_template.find(':') != std::string::npos) {
        time_template = text_template;
    }
    return format_time_by_template(date, time_text, t, date_template, time_template);
}

std::string filetime_to_text(int64 filetime, const time_display_spec& spec) {
    const time t(filetime, tt_filetime);
    if (!t.is_valid) {
        return {};
    }
    // print_date_time compiles an unset spec in place: it gets a copy, not the caller's.
    time_display_spec working = spec;
    std::ostringstream text;
    // False only for an invalid moment, tested above.
    (void)print_date_time(text, t, working);
    return text.str();
}

bool format_filetime(std::string& date, std::string& time_text, int64 filetime,
                     const time_display_spec* spec) {
    date.clear();
    time_text.clear();
    const time t(filetime, tt_filetime);
    if (!t.is_valid) {
        return false;
    }
    const time_display_spec unset{};
    return format_date_time(date, time_text, t, spec != nullptr ? *spec : unset);
}

std::string filetime_to_text_by_template(int64 filetime, const std::string& date_template,
                                         const std::string& time_template) {
    const time t(filetime, tt_filetime);
    if (!t.is_valid) {
        return {};
    }
    std::string date;
    std::string clock;
    // False only for an invalid moment, tested above.
    (void)format_time_by_template(date, clock, t, date_template, time_template);
    return date + " " + clock;
}

std::string& format_hex64(std::string& out, uint64 value) {
    char buffer[sizeof "0x" + 16] = {};
    std::snprintf(buffer, sizeof buffer, "0x%08x%08x", static_cast<unsigned>(value >> 32),
                  static_cast<unsigned>(value & 0xFFFFFFFFU));
    out = buffer;
    return out;
}

std::ostream& print_hex64(std::ostream& out, uint64 value) {
    std::string text;
    return out << format_hex64(text, value);
}

bool format_rfc_date(std::string& out, int64 unix_seconds, int32 bias_minutes) {
    const int64 t = unix_seconds != 0 ? unix_seconds : static_cast<int64>(std::time(nullptr));
    const int64 shift = static_cast<int64>(bias_minutes) * seconds_per_minute;
    int64 wall_seconds = 0;
    rfc_fields fields;
    // The wall clock of the zone, so the text with its offset names t itself.
    if (__builtin_sub_overflow(t, shift, &wall_seconds) ||
        !unix_to_utc_tm(wall_seconds, fields.wall)) {
        return false;
    }
    split_bias(bias_minutes, fields);
    out = write_rfc_fields(fields);
    return true;
}

int dump_dos_time_field(std::ostream& out, const char* label, uint32 value, uint64 offset,
                        int label_width) {
    const uint16 words[2] = {static_cast<uint16>(value & 0xFFFFU),
                             static_cast<uint16>(value >> 16)};
    std::ostringstream note;
    note << time(words, true);
    return print_field_line(out, label, value, offset, label_width, note.str().c_str());
}

int dump_dos_time_field(output_context context, const char* label, uint32 value, uint64 offset,
                        int label_width) {
    if (!context.enabled()) {
        return 0;
    }
    return dump_dos_time_field(*context.m_stream, label, value, offset, label_width);
}

}  // namespace kq
