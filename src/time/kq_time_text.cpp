// kq::time from date-and-time text, and the UTC difference of a text's local reading.

#include <cctype>

#include "text/date_text.h"
#include "text/text_case.h"
#include "time/date_parse.h"
#include "time/kq_time.h"
#include "time/time_local.h"

namespace kq {

namespace {

constexpr uint32 ms_per_second = 1000;
constexpr uint32 ms_per_minute = 60 * ms_per_second;
constexpr uint32 ms_per_hour = 60 * ms_per_minute;

// Splits "date time" on a blank separator: the last blank splits, unless the last word does
// not begin with a digit (a zone name such as "UTC"); that word is then dropped and the
// word before it is the time. False when there is no word before a dropped one.
bool split_on_last_blank(const std::string& text, std::string& date, std::string& time_text) {
    const std::size_t last = text.rfind(' ');
    if (last == std::string::npos) {
        date = text;
        return true;
    }
    std::string tail = text.substr(last + 1);
    (void)trim_whitespace(tail);
    if (!tail.empty() && std::isdigit(static_cast<unsigned char>(tail.front())) != 0) {
        date = text.substr(0, last);
        time_text = text.substr(last + 1);
        return true;
    }
    const std::size_t before = last == 0 ? std::string::npos : text.rfind(' ', last - 1);
    if (before == std::string::npos) {
        return false;
    }
    date = text.substr(0, before);
    time_text = text.substr(before, last - before);
    return true;
}

// Date before the split point, time after it; without a split the whole text is the date.
bool split_date_time(const std::string& text, char separator, std::string& date,
                     std::string& time_text) {
    if (separator == ' ') {
        return split_on_last_blank(text, date, time_text);
    }
    std::size_t split = text.find(' ');
    if (split == std::string::npos) {
        split = text.find('T');
    }
    if (split == std::string::npos) {
        date = text;
        return true;
    }
    date = text.substr(0, split);
    time_text = text.substr(split + 1);
    return true;
}

std::tm systemtime_fields(const _windows_systemtime& st) {
    std::tm fields{};
    fields.tm_year = st.year - 1900;
    fields.tm_mon = st.month - 1;
    fields.tm_mday = st.day;
    fields.tm_hour = st.hour;
    fields.tm_min = st.minute;
    fields.tm_sec = st.second;
    return fields;
}

}  // namespace

bool read_date_blank_time(const char* text, std::tm& fields) {
    if (text == nullptr) {
        return false;
    }
    const std::string whole = text;
    const std::size_t blank = whole.find(' ');
    const std::string date = whole.substr(0, blank);
    const std::string time_text = blank == std::string::npos ? "00:00:00" : whole.substr(blank + 1);
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    uint32 ms = 0;
    if (!parse_date_mdy(date.c_str(), day, month, year) ||
        !parse_time_of_day_ms(time_text.c_str(), ms)) {
        return false;
    }
    fields = std::tm{};
    fields.tm_year = static_cast<int>(year) - 1900;
    fields.tm_mon = static_cast<int>(month) - 1;
    fields.tm_mday = static_cast<int>(day);
    fields.tm_hour = static_cast<int>(ms / ms_per_hour);
    fields.tm_min = static_cast<int>((ms / ms_per_minute) % 60);
    fields.tm_sec = static_cast<int>((ms / ms_per_second) % 60);
    return true;
}

time::time(const char* text, std::string& date_format, char separator) {
    clear();
    std::string date;
    std::string time_text = "00:00:00";
    if (text == nullptr || !split_date_time(text, separator, date, time_text)) {
        return;
    }
    if (date_format.find("Mon") != std::string::npos) {
        // A month name: read the date in the caller's order first, then hand it on as
        // year/month/day numbers.
        uint32 day = 0;
        uint32 month = 0;
        uint32 year = 0;
        if (!parse_date_by_order(date.c_str(), date_format, separator, day, month, year)) {
            return;
        }
        date = std::to_string(year) + "/" + std::to_string(month) + "/" + std::to_string(day);
        date_format = "YMD";
        separator = '/';
    }
    _windows_systemtime st;
    if (!parse_systemtime(date.c_str(), time_text.c_str(), date_format, separator, st)) {
        return;
    }
    clear();
    (void)set_tm(systemtime_fields(st), st.millisecond, true);
}

time::time(const char* text, bool utc_fields) {
    clear();
    std::tm fields{};
    if (read_date_blank_time(text, fields)) {
        (void)set_tm(fields, 0, utc_fields);
    }
}

int32 text_utc_difference(bool& dst, const char* text) {
    dst = false;
    std::tm fields{};
    if (!read_date_blank_time(text, fields)) {
        return 0;
    }
    return local_tm_utc_difference(dst, fields);
}

}  // namespace kq
