#include "time/moment_readers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>

#include "text/date_text.h"
#include "text/text_case.h"
#include "time/date_parse.h"

namespace kq {

namespace {

inline constexpr int64 nanoseconds_per_tick = 100;
inline constexpr double nanoseconds_per_second = 1e9;
// A mail date needs at least "d Mon yy h:mm +zzzz"-sized text; shorter text is refused.
inline constexpr std::size_t mail_date_min_length = 20;
inline constexpr std::size_t compact_date_length = 8;  // yyyymmdd
inline constexpr std::size_t dashed_date_length = 10;  // yyyy-mm-dd
inline constexpr uint32 max_year_field = 0xFFFF;

struct date_and_time {
    std::string date;
    std::string time_text;
};

// Date before the first 'T', time after it without one trailing 'Z'; without a 'T' the whole
// text is the date.
date_and_time split_iso8601(const std::string& text) {
    const std::size_t t = text.find('T');
    if (t == std::string::npos) {
        return {text, {}};
    }
    date_and_time parts{text.substr(0, t), text.substr(t + 1)};
    if (!parts.time_text.empty() && parts.time_text.back() == 'Z') {
        parts.time_text.pop_back();
    }
    return parts;
}

// UTC FILETIME of the fields, 0 when they name no moment with one. The date reader lets any
// 32-bit year through; one past 16 bits is refused here, before it wraps in the int of a tm
// into a year before 1601 (every FILETIME year fits in 16 bits).
int64 fields_to_filetime(uint32 day, uint32 month, uint32 year, int32 hour, int32 minute,
                         int32 second) {
    if (year > max_year_field) {
        return 0;
    }
    std::tm fields{};
    fields.tm_year = static_cast<int>(year) - 1900;
    fields.tm_mon = static_cast<int>(month) - 1;
    fields.tm_mday = static_cast<int>(day);
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return tm_to_filetime(fields, 0);
}

bool all_digits(const std::string& text, std::size_t from, std::size_t count) {
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool parse_iso8601_systemtime(const char* text, const std::string& date_format, char separator,
                              _windows_systemtime& out) {
    if (text == nullptr) {
        return false;
    }
    const std::string whole(text);
    if (whole.find('T') == std::string::npos) {
        return false;
    }
    const date_and_time parts = split_iso8601(whole);
    return parse_systemtime(parts.date.c_str(), parts.time_text.c_str(), date_format, separator,
                            out);
}

int64 iso8601_to_filetime(const std::string& text) {
    const date_and_time parts = split_iso8601(text);
    // Without a date the fields would name a day before 1601: such text is unreadable.
    if (parts.date.empty()) {
        return 0;
    }
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    std::string order = "YMD";  // parse_date_by_order rewrites its order
    if (!parse_date_by_order(parts.date.c_str(), order, '-', day, month, year)) {
        return 0;
    }
    int32 hour = 0;
    int32 minute = 0;
    double seconds = 0.0;
    if (!parts.time_text.empty() && !parse_hms(parts.time_text.c_str(), hour, minute, seconds)) {
        return 0;
    }
    const auto second = static_cast<int32>(seconds);
    const auto nanoseconds =
        static_cast<int64>(std::trunc((seconds - second) * nanoseconds_per_second + 0.5));
    const int64 whole = fields_to_filetime(day, month, year, hour, minute, second);
    int64 filetime = 0;
    // The fraction can carry the last FILETIME second past the signed 64-bit range.
    if (whole == 0 ||
        __builtin_add_overflow(whole, nanoseconds / nanoseconds_per_tick, &filetime)) {
        return 0;
    }
    return filetime;
}

int64 mail_date_to_filetime(const std::string& text) {
    if (text.size() < mail_date_min_length) {
        return 0;
    }
    const std::size_t comma = text.find(',');
    std::string rest = comma == std::string::npos ? text : text.substr(comma + 1);
    // The zone is read past, not applied.
    const std::size_t zone = rest.rfind(' ');
    if (zone != std::string::npos) {
        rest.erase(zone);
        (void)trim_keep_trailing_blanks(rest, false);  // an emptied text fails the split below
    }
    const std::size_t split = rest.rfind(' ');
    if (split == std::string::npos) {
        return 0;
    }
    std::string date = rest.substr(0, split);
    std::replace(date.begin(), date.end(), ' ', '-');
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    int32 hour = 0;
    int32 minute = 0;
    int32 second = 0;
    std::string order = "DMonY";  // parse_date_by_order rewrites its order
    if (!parse_date_by_order(date.c_str(), order, '-', day, month, year) ||
        !parse_hms_int(rest.c_str() + split + 1, hour, minute, second)) {
        return 0;
    }
    return fields_to_filetime(day, month, year, hour, minute, second);
}

bool date_text_length(uint32& out, const std::string& text) {
    out = 0;
    const bool compact = text.size() == compact_date_length && all_digits(text, 0, 8);
    const bool dashed = text.size() == dashed_date_length && all_digits(text, 0, 4) &&
                        text[4] == '-' && all_digits(text, 5, 2) && text[7] == '-' &&
                        all_digits(text, 8, 2);
    if (!compact && !dashed) {
        return false;
    }
    out = static_cast<uint32>(text.size());
    return true;
}

}  // namespace kq
