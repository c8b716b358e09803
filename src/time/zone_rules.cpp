#include "time/zone_rules.h"

#include <algorithm>
#include <array>
#include <string>

// The printer reads the user's date and time format from the common options record, which
// the command-line layer above owns.
#include "cmdline/cmd_params.h"
#include "text/byte_reader.h"
#include "text/time_display_spec.h"
#include "time/kq_calendar.h"
#include "time/kq_time.h"
#include "time/time_epochs.h"
#include "time/time_format.h"

namespace kq {

namespace {

// Word indexes of a 16-byte rule.
namespace rule_word {
inline constexpr std::size_t month = 1;
inline constexpr std::size_t week = 2;
inline constexpr std::size_t hour = 3;
inline constexpr std::size_t minute = 4;
inline constexpr std::size_t second = 5;
inline constexpr std::size_t millisecond = 6;
inline constexpr std::size_t day_of_week = 7;
inline constexpr std::size_t count = 8;
inline constexpr std::size_t rule_size = count * 2;
}  // namespace rule_word

using rule_words = std::array<uint16, rule_word::count>;

// The words of a rule; false when it is not 16 bytes or names no month or time of day.
// A month of 13 would otherwise roll into the next January of the calendar arithmetic.
bool read_rule(const byte_array& rule, rule_words& words) {
    const byte_reader bytes(rule);
    if (bytes.size() != rule_word::rule_size) {
        return false;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!bytes.le16_at(i * 2, words[i])) {
            return false;
        }
    }
    return words[rule_word::month] >= 1 && words[rule_word::month] <= 12 &&
           words[rule_word::hour] < 24 && words[rule_word::minute] < 60 &&
           words[rule_word::second] < 60 && words[rule_word::millisecond] < 1000;
}

// Day of the month of the week-th Sunday (week 0 counts as 1); a week past the month's last
// Sunday gives the last one, as daylight-saving rules write "last" as week 5.
uint16 nth_sunday(uint16 first_weekday, uint16 week, int32 month_length) {
    const int32 first_sunday = 1 + (7 - first_weekday) % 7;
    const int32 wanted = first_sunday + 7 * (std::max<int32>(week, 1) - 1);
    const int32 last_sunday = first_sunday + 7 * ((month_length - first_sunday) / 7);
    return static_cast<uint16>(std::min(wanted, last_sunday));
}

// FILETIME of a rule's transition in year; false when the rule or the result is not valid.
bool rule_transition(const byte_array& rule, uint16 year, int64& out) {
    rule_words words{};
    if (!read_rule(rule, words)) {
        return false;
    }
    _windows_systemtime when;
    when.year = year;
    when.month = words[rule_word::month];
    when.day = 1;
    // The weekday of the 1st, through the same calendar arithmetic as the transition itself.
    // 0 stands for both 1601-01-01 (a Monday, read back correctly) and "no FILETIME"; in the
    // latter case the transition below has none either and is refused there.
    _windows_systemtime first_of_month;
    if (!filetime_to_systemtime(systemtime_to_filetime(when), first_of_month)) {
        return false;
    }
    const int32 length = days_in_month[is_leap_year(year) ? 1 : 0][when.month - 1];
    when.day = nth_sunday(first_of_month.day_of_week, words[rule_word::week], length);
    when.hour = words[rule_word::hour];
    when.minute = words[rule_word::minute];
    when.second = words[rule_word::second];
    when.millisecond = words[rule_word::millisecond];
    when.day_of_week = words[rule_word::day_of_week];
    out = systemtime_to_filetime(when);
    return out > 0;  // 0 is the calendar arithmetic's "no FILETIME"
}

// t + sign * (a + b) seconds; false when any step leaves the int64 range or the result is
// before 1601.
bool shift_by_seconds(int64 t, int64 a, int64 b, int sign, int64& out) {
    int64 seconds = 0;
    int64 ticks = 0;
    if (__builtin_add_overflow(a, b, &seconds) ||
        __builtin_mul_overflow(seconds, time_epoch::ticks_per_second, &ticks)) {
        return false;
    }
    const bool overflow =
        sign > 0 ? __builtin_add_overflow(t, ticks, &out) : __builtin_sub_overflow(t, ticks, &out);
    return !overflow && out > 0;
}

}  // namespace

bool get_zone_transitions(int64& first, int64& second, const byte_array& first_rule,
                          const byte_array& second_rule, int64 moment) {
    first = 0;
    second = 0;
    if (moment == 0) {
        moment = time::now().filetime;
    }
    systemtime_ex utc;
    if (!filetime_to_systemtime_ex(utc, moment)) {
        return false;
    }
    int64 opens = 0;
    int64 closes = 0;
    if (!rule_transition(first_rule, utc.year, opens) ||
        !rule_transition(second_rule, utc.year, closes)) {
        return false;
    }
    first = opens;
    second = closes;
    return true;
}

int64 utc_to_local_by_rules(int64 utc, const zone_rules& zone) {
    int64 first = 0;
    int64 second = 0;
    // 0 is "no time" here, not a request for the current year.
    if (utc == 0 || !get_zone_transitions(first, second, zone.first_rule, zone.second_rule, utc)) {
        return 0;
    }
    const bool inside = first <= utc && utc < second;
    int64 local = 0;
    if (!shift_by_seconds(utc, zone.base_offset, inside ? zone.inside_offset : zone.outside_offset,
                          1, local)) {
        return 0;
    }
    return local;
}

int64 local_to_utc_by_rules(int64 local, const zone_rules& zone) {
    int64 first = 0;
    int64 second = 0;
    if (local == 0 ||
        !get_zone_transitions(first, second, zone.first_rule, zone.second_rule, local)) {
        return 0;
    }
    const int64 local_first = utc_to_local_by_rules(first, zone);
    const int64 local_second = utc_to_local_by_rules(second, zone);
    if (local_first == 0 || local_second == 0) {
        return 0;
    }
    const bool outside = local < local_first || local >= local_second;
    int64 utc = 0;
    if (!shift_by_seconds(local, zone.base_offset,
                          outside ? zone.outside_offset : zone.inside_offset, -1, utc)) {
        return 0;
    }
    return utc;
}

int64 first_transition(const zone_rules& zone, int64 moment) {
    int64 first = 0;
    int64 second = 0;
    (void)get_zone_transitions(first, second, zone.first_rule, zone.second_rule, moment);
    return first;  // 0 on failure
}

int64 second_transition(const zone_rules& zone, int64 moment) {
    int64 first = 0;
    int64 second = 0;
    (void)get_zone_transitions(first, second, zone.first_rule, zone.second_rule, moment);
    return second;  // 0 on failure
}

namespace {

// A transition as date, blank and time in the options' format without a fraction of the
// second; the options themselves stay as they are.
std::ostream& print_transition(std::ostream& out, const cmd_params& options, int64 filetime) {
    const time transition(filetime, tt_filetime);
    if (!transition.is_valid) {
        return out;
    }
    time_display_spec spec = options.m_time_spec;
    if (spec.is_unset()) {
        // A template that does not compile leaves a spec without order: an empty date.
        (void)spec.parse(options.m_date_format, options.m_time_format, options.m_pair_datetime);
    }
    spec.time_flags &= time_display_spec::keep_without_fraction;
    std::string date;
    std::string clock;
    // False only for an unset spec, which still fills the default forms.
    (void)format_date_time(date, clock, transition, spec);
    out << date << ' ' << clock;
    return out;
}

}  // namespace

std::ostream& print_first_transition(const zone_rules& zone, std::ostream& out,
                                     const cmd_params& options, int64 moment) {
    return print_transition(out, options, first_transition(zone, moment));
}

std::ostream& print_second_transition(const zone_rules& zone, std::ostream& out,
                                      const cmd_params& options, int64 moment) {
    return print_transition(out, options, second_transition(zone, moment));
}

}  // namespace kq
