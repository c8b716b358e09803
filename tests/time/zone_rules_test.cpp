#include "time/zone_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <sstream>
#include <string>

#include "cmdline/cmd_params.h"
#include "time/kq_time.h"

namespace {

namespace chr = std::chrono;

constexpr int64 ticks_per_second = 10000000;
constexpr int64 ticks_per_hour = 3600 * ticks_per_second;

// FILETIME of a UTC date and time through the standard library's civil calendar, apart
// from the calendar code under test.
int64 filetime_of(int y, unsigned m, unsigned d, int hour, int minute = 0) {
    const chr::sys_days day{chr::year{y} / chr::month{m} / chr::day{d}};
    const int64 unix_seconds = static_cast<int64>(day.time_since_epoch().count()) * 86400 +
                               int64{hour} * 3600 + int64{minute} * 60;
    return unix_seconds * ticks_per_second + 116444736000000000;
}

// Day of the week-th Sunday of a month, found by stepping through its days; a week past the
// last Sunday gives the last one, week 0 the first.
unsigned stepped_sunday(int y, unsigned m, unsigned week) {
    const unsigned wanted = week == 0 ? 1 : week;
    const chr::year_month_day_last last_day{chr::year{y}, chr::month_day_last{chr::month{m}}};
    unsigned seen = 0;
    unsigned last_sunday = 0;
    for (unsigned d = 1; d <= static_cast<unsigned>(last_day.day()); ++d) {
        const chr::weekday weekday{chr::sys_days{chr::year{y} / chr::month{m} / chr::day{d}}};
        if (weekday == chr::Sunday) {
            last_sunday = d;
            if (++seen == wanted) {
                break;
            }
        }
    }
    return last_sunday;
}

byte_array make_rule(uint16 month, uint16 week, uint16 hour, uint16 minute = 0, uint16 second = 0,
                     uint16 millisecond = 0, uint16 day_of_week = 0) {
    const uint16 words[8] = {0, month, week, hour, minute, second, millisecond, day_of_week};
    byte_array rule;
    for (const uint16 w : words) {
        rule.push_back(static_cast<uint8>(w & 0xFF));
        rule.push_back(static_cast<uint8>(w >> 8));
    }
    return rule;
}

// ---- transitions ----

TEST(ZoneTransitions, FallOnTheWeekthSundayOfTheMonth) {
    EXPECT_EQ(filetime_of(2024, 3, 10, 2), 133545096000000000);  // the reference itself
    struct known {
        byte_array rule;
        int64 expected;
    };
    const int64 mid_2024 = filetime_of(2024, 7, 1, 12);
    const known cases[] = {
        {make_rule(3, 2, 2), 133545096000000000},                // 2024-03-10 02:00
        {make_rule(3, 5, 1), 133563204000000000},                // 2024-03-31 01:00
        {make_rule(10, 5, 1), 133744644000000000},               // 2024-10-27 01:00, last
        {make_rule(9, 1, 0), filetime_of(2024, 9, 1, 0)},        // the 1st is a Sunday
        {make_rule(4, 1, 0), filetime_of(2024, 4, 7, 0)},        // the 1st is a Monday
        {make_rule(2, 5, 0), filetime_of(2024, 2, 25, 0)},       // leap February, last
        {make_rule(6, 0, 3, 4), filetime_of(2024, 6, 2, 3, 4)},  // week 0 is the first
        {make_rule(1, 1, 0, 0, 5, 250, 6), filetime_of(2024, 1, 7, 0) + 52500000},
    };
    for (const known& c : cases) {
        int64 first = 0;
        int64 second = 0;
        ASSERT_TRUE(kq::get_zone_transitions(first, second, c.rule, make_rule(12, 1, 0), mid_2024));
        EXPECT_EQ(first, c.expected);
        EXPECT_EQ(second, filetime_of(2024, 12, 1, 0));
    }
}

TEST(ZoneTransitions, AgreeWithSteppingThroughTheMonth) {
    for (const int y : {1601, 1900, 2000, 2023, 2024, 2025, 2026, 2027, 2028, 2100}) {
        for (uint16 m = 1; m <= 12; ++m) {
            for (const uint16 week : {uint16{0}, uint16{1}, uint16{2}, uint16{3}, uint16{4},
                                      uint16{5}, uint16{6}, uint16{65535}}) {
                int64 first = 0;
                int64 second = 0;
                ASSERT_TRUE(kq::get_zone_transitions(first, second, make_rule(m, week, 2),
                                                     make_rule(m, week, 23, 59, 59, 999),
                                                     filetime_of(y, 6, 15, 0)));
                const unsigned d = stepped_sunday(y, m, week);
                EXPECT_EQ(first, filetime_of(y, m, d, 2)) << y << '-' << m << " week " << week;
                EXPECT_EQ(second, filetime_of(y, m, d, 23, 59) + 59 * ticks_per_second + 9990000);
            }
        }
    }
}

TEST(ZoneTransitions, RefuseMalformedRulesAndMoments) {
    const int64 mid_2024 = filetime_of(2024, 7, 1, 12);
    const byte_array good = make_rule(3, 2, 2);
    byte_array short_rule = good;
    short_rule.resize(15);
    byte_array long_rule = good;
    long_rule.push_back(0);
    const byte_array bad_rules[] = {
        {},
        short_rule,
        long_rule,
        make_rule(0, 1, 0),
        make_rule(13, 1, 0),
        make_rule(0xFFFF, 1, 0),
        make_rule(3, 1, 24),
        make_rule(3, 1, 25),
        make_rule(3, 1, 0, 60),
        make_rule(3, 1, 0, 0, 60),
        make_rule(3, 1, 0, 0, 0, 1000),
    };
    for (const byte_array& bad : bad_rules) {
        int64 first = 7;
        int64 second = 7;
        EXPECT_FALSE(kq::get_zone_transitions(first, second, bad, good, mid_2024));
        EXPECT_EQ(first, 0);
        EXPECT_EQ(second, 0);
        EXPECT_FALSE(kq::get_zone_transitions(first, second, good, bad, mid_2024));
    }

    int64 first = 0;
    int64 second = 0;
    for (const int64 moment : {int64{-1}, std::numeric_limits<int64>::min()}) {
        EXPECT_FALSE(kq::get_zone_transitions(first, second, good, good, moment));
    }
    // The last FILETIME lies in September 30828: a January rule still has a FILETIME, a
    // December one does not.
    const int64 last = std::numeric_limits<int64>::max();
    EXPECT_TRUE(kq::get_zone_transitions(first, second, make_rule(1, 1, 0), good, last));
    EXPECT_FALSE(kq::get_zone_transitions(first, second, make_rule(12, 5, 23), good, last));
    EXPECT_EQ(first, 0);
}

TEST(ZoneTransitions, MomentZeroTakesTheCurrentYear) {
    const byte_array opens = make_rule(3, 5, 1);
    const byte_array closes = make_rule(10, 5, 1);
    int64 first = 0;
    int64 second = 0;
    ASSERT_TRUE(kq::get_zone_transitions(first, second, opens, closes, 0));
    int64 first_now = 0;
    int64 second_now = 0;
    ASSERT_TRUE(
        kq::get_zone_transitions(first_now, second_now, opens, closes, kq::time::now().filetime));
    EXPECT_EQ(first, first_now);
    EXPECT_EQ(second, second_now);
    const kq::zone_rules zone{opens, closes, 0, 0, 0};
    EXPECT_EQ(kq::first_transition(zone, 0), first_now);
    EXPECT_EQ(kq::second_transition(zone, 0), second_now);
}

// ---- rule-based local time ----

kq::zone_rules summer_time_zone() {
    return {make_rule(3, 5, 1), make_rule(10, 5, 1), 3600, 3600, 0};
}

struct shift_case {
    const char* name;
    int64 utc;
    int64 hours;
    bool invertible;  // local times of the hour the clock repeats cannot be told apart
};

class RulesLocalTime : public ::testing::TestWithParam<shift_case> {};

TEST_P(RulesLocalTime, AddsBaseAndPeriodOffsets) {
    const shift_case& c = GetParam();
    const kq::zone_rules zone = summer_time_zone();
    const int64 local = kq::utc_to_local_by_rules(c.utc, zone);
    EXPECT_EQ(local, c.utc + c.hours * ticks_per_hour);
    if (c.invertible) {
        EXPECT_EQ(kq::local_to_utc_by_rules(local, zone), c.utc);
    }
}

const int64 opens_2024 = 133563204000000000;
const int64 closes_2024 = 133744644000000000;
const shift_case shift_cases[] = {
    {"summer", filetime_of(2024, 7, 1, 12), 2, true},
    {"winter", filetime_of(2024, 12, 1, 12), 1, true},
    {"new_year", filetime_of(2024, 1, 1, 0), 1, true},
    {"at_first_transition", opens_2024, 2, true},
    {"tick_before_first", opens_2024 - 1, 1, true},
    {"at_second_transition", closes_2024, 1, true},
    {"hour_before_second", closes_2024 - ticks_per_hour - 1, 2, true},
    {"tick_before_second", closes_2024 - 1, 2, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, RulesLocalTime, ::testing::ValuesIn(shift_cases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(RulesLocalTime, SwappedRulesLeaveEveryMomentOutside) {
    kq::zone_rules zone = summer_time_zone();
    std::swap(zone.first_rule, zone.second_rule);
    for (const int64 utc :
         {filetime_of(2024, 7, 1, 12), filetime_of(2024, 12, 1, 12), opens_2024, closes_2024}) {
        const int64 local = kq::utc_to_local_by_rules(utc, zone);
        EXPECT_EQ(local, utc + ticks_per_hour);
        EXPECT_EQ(kq::local_to_utc_by_rules(local, zone), utc);
    }
}

TEST(RulesLocalTime, FailuresGiveZero) {
    const int64 summer = filetime_of(2024, 7, 1, 12);
    kq::zone_rules zone = summer_time_zone();
    EXPECT_EQ(kq::utc_to_local_by_rules(0, zone), 0);
    EXPECT_EQ(kq::local_to_utc_by_rules(0, zone), 0);
    EXPECT_EQ(kq::utc_to_local_by_rules(-5, zone), 0);

    const int64 huge = std::numeric_limits<int64>::max();
    const int64 offsets[][3] = {
        {huge, 0, 0},
        {huge, huge, huge},
        {0, std::numeric_limits<int64>::min(), std::numeric_limits<int64>::min()},
        {huge / ticks_per_second, 0, 0},
        {-summer / ticks_per_second - 1, 0, 0},  // before 1601
    };
    for (const auto& o : offsets) {
        zone.base_offset = o[0];
        zone.inside_offset = o[1];
        zone.outside_offset = o[2];
        EXPECT_EQ(kq::utc_to_local_by_rules(summer, zone), 0) << o[0] << ' ' << o[1];
        EXPECT_EQ(kq::local_to_utc_by_rules(summer, zone), 0) << o[0] << ' ' << o[1];
    }

    zone = summer_time_zone();
    zone.second_rule.resize(15);
    EXPECT_EQ(kq::utc_to_local_by_rules(summer, zone), 0);
    EXPECT_EQ(kq::local_to_utc_by_rules(summer, zone), 0);
    EXPECT_EQ(kq::first_transition(zone, summer), 0);
    EXPECT_EQ(kq::second_transition(zone, summer), 0);
}

// ---- printing ----

TEST(PrintFirstTransition, WritesTheUsersFormatWithoutFraction) {
    const kq::zone_rules zone = summer_time_zone();
    const int64 summer = filetime_of(2024, 7, 1, 12);

    cmd_params options(0, false);
    ASSERT_TRUE(options.m_time_spec.is_unset());
    std::ostringstream unset;
    kq::print_first_transition(zone, unset, options, summer);
    EXPECT_EQ(unset.str(), "2024-03-31 01:00:00");
    EXPECT_TRUE(options.m_time_spec.is_unset());

    // An uncompiled spec is compiled from the options' own templates.
    options.m_date_format = "dd/mm/yyyy";
    std::ostringstream from_templates;
    kq::print_first_transition(zone, from_templates, options, summer);
    EXPECT_EQ(from_templates.str(), "31/03/2024 01:00:00");

    ASSERT_TRUE(options.m_time_spec.parse("mm/dd/yyyy", "hh:mm:ss.xxx", false));
    const time_display_spec before = options.m_time_spec;
    std::ostringstream compiled;
    kq::print_first_transition(zone, compiled, options, summer);
    EXPECT_EQ(compiled.str(), "03/31/2024 01:00:00");
    EXPECT_EQ(options.m_time_spec.time_flags, before.time_flags);
    EXPECT_EQ(options.m_time_spec.fraction_digits(), 3U);

    kq::zone_rules broken = zone;
    broken.first_rule = make_rule(13, 1, 0);
    std::ostringstream nothing;
    kq::print_first_transition(broken, nothing, options, summer);
    EXPECT_EQ(nothing.str(), "");
}

TEST(PrintSecondTransition, WritesTheClosingTransitionWithoutFraction) {
    const kq::zone_rules zone = summer_time_zone();
    cmd_params options(0, false);
    std::ostringstream unset;
    kq::print_second_transition(zone, unset, options, filetime_of(2024, 2, 1, 12));
    EXPECT_EQ(unset.str(), "2024-10-27 01:00:00");
    EXPECT_TRUE(options.m_time_spec.is_unset());

    // Either rule failing leaves the year without transitions: nothing is written.
    kq::zone_rules broken = zone;
    broken.first_rule = make_rule(13, 1, 0);
    std::ostringstream nothing;
    kq::print_second_transition(broken, nothing, options, filetime_of(2024, 2, 1, 12));
    EXPECT_EQ(nothing.str(), "");
}

}  // namespace
