#include "text/date_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct order_case {
    const char* name;
    const char* text;
    const char* order;
    char separator;
    bool ok;
    uint32 day, month, year;
};

const order_case order_cases[] = {
    {"year_month_day", "2024-01-15", "YMD", '-', true, 15, 1, 2024},
    {"empty_field_skipped", "2024--01-15", "YMD", '-', true, 15, 1, 2024},
    {"two_empty_fields_skipped", "2024---01-15", "YMD", '-', true, 15, 1, 2024},
    {"three_empty_fields_used", "2024----01-15", "YMD", '-', false, 0, 0, 2024},
    {"month_name_first", "Jan/15/24", "MonDY", '/', true, 15, 1, 2024},
    {"month_name_second", "15-jan-2024", "DMonY", '-', true, 15, 1, 2024},
    {"lower_case_order", "15.01.2024", "dmy", '.', true, 15, 1, 2024},
    {"pivot_30", "30-01-15", "YMD", '-', true, 15, 1, 2030},
    {"pivot_31", "31-01-15", "YMD", '-', true, 15, 1, 1931},
    {"pivot_by_value", "0024-01-15", "YMD", '-', true, 15, 1, 2024},
    {"year_100_stays", "100-01-15", "YMD", '-', true, 15, 1, 100},
    {"largest_year", "4294967295-01-15", "YMD", '-', true, 15, 1, 4294967295U},
    {"month_zero", "2024-00-15", "YMD", '-', false, 15, 0, 2024},
    {"day_zero", "2024-01-00", "YMD", '-', false, 0, 1, 2024},
    {"month_13", "2024-13-01", "YMD", '-', false, 1, 13, 2024},
    {"day_32", "2024-01-32", "YMD", '-', false, 32, 1, 2024},
    {"unknown_month_name", "Foo/15/24", "MonDY", '/', false, 0, 0, 0},
    {"full_month_name", "January/15/24", "MonDY", '/', false, 0, 0, 0},
    {"two_letter_order", "2024-01-15", "YM", '-', false, 0, 0, 0},
    {"unknown_letter", "2024-01-15", "XMD", '-', false, 0, 0, 0},
    {"order_too_short_after_mon", "Jan/15/24", "MonD", '/', false, 15, 1, 0},
    {"missing_third_field", "2024-01", "YMD", '-', false, 0, 1, 2024},
    {"not_a_number", "2024-ab-15", "YMD", '-', false, 0, 0, 2024},
    // The day must be one the month has: no counting on into the next month.
    {"leap_day", "2024-02-29", "YMD", '-', true, 29, 2, 2024},
    {"leap_day_of_common_year", "2023-02-29", "YMD", '-', false, 29, 2, 2023},
    {"day_beyond_february", "2024-02-31", "YMD", '-', false, 31, 2, 2024},
    {"century_not_leap", "1900-02-29", "YMD", '-', false, 29, 2, 1900},
    {"fourth_century_leap", "2000-02-29", "YMD", '-', true, 29, 2, 2000},
    {"day_31_of_april", "2024-04-31", "YMD", '-', false, 31, 4, 2024},
    {"trailing_letter", "2024-01-1y", "YMD", '-', false, 0, 1, 2024},
    {"signed_field", "2024-+1-15", "YMD", '-', false, 0, 0, 2024},
};

class ParseDateByOrder : public ::testing::TestWithParam<order_case> {};

TEST_P(ParseDateByOrder, ReadsFieldsInOrder) {
    const order_case& c = GetParam();
    std::string order = c.order;
    uint32 day = 99;
    uint32 month = 99;
    uint32 year = 99;
    EXPECT_EQ(parse_date_by_order(c.text, order, c.separator, day, month, year), c.ok);
    EXPECT_EQ(day, c.day);
    EXPECT_EQ(month, c.month);
    EXPECT_EQ(year, c.year);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseDateByOrder, ::testing::ValuesIn(order_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseDateByOrder, RewritesTheOrderInPlaceAndRefusesNull) {
    std::string order = "MonDY";
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    ASSERT_TRUE(parse_date_by_order("Jan/15/24", order, '/', day, month, year));
    EXPECT_EQ(order, "MDY");
    order = "dmy";
    EXPECT_FALSE(parse_date_by_order(nullptr, order, '/', day, month, year));
    EXPECT_EQ(order, "dmy");  // nothing read, nothing rewritten
    EXPECT_EQ(day, 0U);
}

struct mdy_case {
    const char* name;
    const char* text;
    bool ok;
    uint32 day, month, year;
};

const mdy_case mdy_cases[] = {
    {"slashes", "01/15/2024", true, 15, 1, 2024},
    {"dashes_short_year", "1-15-24", true, 15, 1, 2024},
    {"day_month_name_year", "15-Jan-2024", true, 15, 1, 2024},
    {"lower_case_name_old_year", "15-jan-99", true, 15, 1, 1999},
    {"year_ends_at_blank", "01/15/2024 10:00", true, 15, 1, 2024},
    {"year_cut_to_four", "01/15/20245", true, 15, 1, 2024},
    {"year_first_refused", "2024-01-15", false, 0, 0, 0},
    {"month_13", "13/01/2024", false, 1, 13, 2024},
    {"month_zero", "0/5/2024", false, 5, 0, 2024},
    {"day_zero", "5/0/2024", false, 0, 5, 2024},
    {"unknown_name", "15-Xyz-2024", false, 15, 0xFFFFFFFF, 2024},
    {"name_too_long", "15-January-2024", false, 0, 0, 0},
    {"name_first_field", "Ja-15-2024", false, 15, 0xFFFFFFFF, 2024},
    {"nothing_after_second", "01/15/", false, 0, 0, 0},
    {"one_separator", "01/15", false, 0, 0, 0},
    {"no_separator", "01152024", false, 0, 0, 0},
    {"year_not_digits", "01/15/ab", false, 0, 0, 0},
    {"blank_year", "01/15/ 2024", false, 0, 0, 0},
    {"leap_day", "02/29/2024", true, 29, 2, 2024},
    {"leap_day_of_common_year", "02/29/23", false, 29, 2, 2023},
    {"day_31_of_june", "31-Jun-2024", false, 31, 6, 2024},
};

class ParseDateMdy : public ::testing::TestWithParam<mdy_case> {};

TEST_P(ParseDateMdy, ReadsMonthDayYearForms) {
    const mdy_case& c = GetParam();
    uint32 day = 99;
    uint32 month = 99;
    uint32 year = 99;
    EXPECT_EQ(parse_date_mdy(c.text, day, month, year), c.ok);
    EXPECT_EQ(day, c.day);
    EXPECT_EQ(month, c.month);
    EXPECT_EQ(year, c.year);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseDateMdy, ::testing::ValuesIn(mdy_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseDateMdy, RefusesNullAndLongTextsSafely) {
    uint32 day = 0;
    uint32 month = 0;
    uint32 year = 0;
    EXPECT_FALSE(parse_date_mdy(nullptr, day, month, year));
    const std::string long_text = "01/15/" + std::string(100000, '9');
    EXPECT_TRUE(parse_date_mdy(long_text.c_str(), day, month, year));
    EXPECT_EQ(year, 9999U);
    // The separators beyond the first 512 characters are not looked at.
    const std::string late = std::string(600, 'x') + "01/15/2024";
    EXPECT_FALSE(parse_date_mdy(late.c_str(), day, month, year));
}

struct hms_case {
    const char* name;
    const char* text;
    bool ok;
    int32 hour, minute;
    double seconds;
};

const hms_case hms_cases[] = {
    {"pm_with_seconds", "10:05:07.5 pm", true, 22, 5, 7.5},
    {"noon_pm", "12:30 pm", true, 12, 30, 0.0},
    {"midnight_am", "12:30 am", true, 0, 30, 0.0},
    {"morning_am", "9:15am", true, 9, 15, 0.0},
    {"pm_upper_case", "1:02PM", true, 13, 2, 0.0},
    {"single_digits", "7:5", true, 7, 5, 0.0},
    {"trimmed", " \t10:20:30\r\n", true, 10, 20, 30.0},
    {"last_moment_of_day", "23:59:59.999", true, 23, 59, 59.999},
    {"no_colon", "1015", false, 0, 0, 0.0},
    {"empty_minute", "10:", false, 0, 0, 0.0},
    {"marker_right_after_colon", "10:m", false, 0, 0, 0.0},
    {"minute_too_long", "1:0000000000000000000000000000000001", false, 0, 0, 0.0},
    {"hour_too_long", "0000000000000000000000000000000001:00", false, 0, 0, 0.0},
    {"seconds_too_long", "1:00:0000000000000000000000000000000001", false, 0, 0, 0.0},
    {"hour_beyond_32_bits", "1e300:00", false, 0, 0, 0.0},
    {"seconds_not_a_number", "1:00:nan", false, 0, 0, 0.0},
    // Every field in its range, or the whole text is refused.
    {"all_fields_out_of_range", "25:99:99", false, 0, 0, 0.0},
    {"negative_hour", "-1:30", false, 0, 0, 0.0},
    {"hour_24", "24:00", false, 0, 0, 0.0},
    {"minute_60", "12:60", false, 0, 0, 0.0},
    {"second_60", "12:00:60", false, 0, 0, 0.0},
    {"pm_hour_13", "13:00 pm", false, 0, 0, 0.0},
    {"am_hour_0", "0:30 am", false, 0, 0, 0.0},
    {"empty_hour", ":30", false, 0, 0, 0.0},
    {"fractional_hour", "1.5:00", false, 0, 0, 0.0},
    {"fraction_without_digits", "1:00:07.", false, 0, 0, 0.0},
    {"stray_letter_in_minute", "10:0x", false, 0, 0, 0.0},
    {"stray_m", "10:05 xm", false, 0, 0, 0.0},
    {"text_after_marker", "10:05 pm!", false, 0, 0, 0.0},
};

class ParseHms : public ::testing::TestWithParam<hms_case> {};

TEST_P(ParseHms, ReadsClockFields) {
    const hms_case& c = GetParam();
    int32 hour = 99;
    int32 minute = 99;
    double seconds = 99.0;
    EXPECT_EQ(parse_hms(c.text, hour, minute, seconds), c.ok);
    EXPECT_EQ(hour, c.hour);
    EXPECT_EQ(minute, c.minute);
    EXPECT_DOUBLE_EQ(seconds, c.seconds);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseHms, ::testing::ValuesIn(hms_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseHms, IntegerFormTruncatesSeconds) {
    int32 hour = 0;
    int32 minute = 0;
    int32 seconds = 0;
    ASSERT_TRUE(parse_hms_int("10:05:07.9", hour, minute, seconds));
    EXPECT_EQ(seconds, 7);
    EXPECT_FALSE(parse_hms_int("10:05:9e9", hour, minute, seconds));
    double fractional = 1.0;
    EXPECT_FALSE(parse_hms(nullptr, hour, minute, fractional));
    EXPECT_EQ(fractional, 0.0);
}

struct ms_case {
    const char* name;
    const char* text;
    bool ok;
    uint32 milliseconds;
};

const ms_case ms_cases[] = {
    {"with_fraction", "1:02:03.5", true, 3723500},
    {"one_pm", "1:00 pm", true, 46800000},
    {"noon", "12:00 pm", true, 43200000},
    {"after_midnight", "12:15 am", true, 900000},
    {"last_millisecond", "23:59:59.999", true, 86399999},
    {"fractional_hour", "1.5:00", false, 0},
    {"empty_hour", ":30", false, 0},
    {"negative", "-1:00", false, 0},
    {"beyond_32_bits", "2000000:00", false, 0},
    {"hour_beyond_day", "25:00", false, 0},
    {"no_colon", "noon", false, 0},
};

class ParseTimeOfDayMs : public ::testing::TestWithParam<ms_case> {};

TEST_P(ParseTimeOfDayMs, CountsMilliseconds) {
    const ms_case& c = GetParam();
    uint32 ms = 99;
    EXPECT_EQ(parse_time_of_day_ms(c.text, ms), c.ok);
    EXPECT_EQ(ms, c.milliseconds);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseTimeOfDayMs, ::testing::ValuesIn(ms_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MonthNames, MatchAbbreviationsInAnyCase) {
    EXPECT_EQ(month_from_abbrev("march"), 3);
    EXPECT_EQ(month_from_abbrev("DEC"), 12);
    EXPECT_EQ(month_from_abbrev("Ma"), -1);
    EXPECT_EQ(month_from_abbrev("xyz"), -1);
    EXPECT_EQ(month_from_abbrev(""), -1);
    EXPECT_EQ(month_from_abbrev(nullptr), -1);
    std::map<std::string, int32> map;
    fill_month_name_map(map);
    ASSERT_EQ(map.size(), 12U);
    EXPECT_EQ(map["jan"], 1);
    EXPECT_EQ(map["dec"], 12);
    std::map<std::string, int32> held = {{"x", 7}};
    fill_month_name_map(held);
    EXPECT_EQ(held.size(), 1U);
}

}  // namespace

namespace {

// Every cut of a readable text is either refused or read into valid ranges.
TEST(DateTextReaders, SurviveTextsCutAtEveryLength) {
    const std::string samples[] = {"15-Jan-2024 10:05:07.5 pm", "2024--01-15T12:30 am",
                                   "01/15/24 1:02:03.5"};
    for (const std::string& sample : samples) {
        for (std::size_t cut = 0; cut <= sample.size(); ++cut) {
            const std::string text = sample.substr(0, cut);
            uint32 day = 0;
            uint32 month = 0;
            uint32 year = 0;
            if (parse_date_mdy(text.c_str(), day, month, year)) {
                EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31) << text;
            }
            std::string order = "YMD";
            if (parse_date_by_order(text.c_str(), order, '-', day, month, year)) {
                EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31) << text;
            }
            int32 hour = 0;
            int32 minute = 0;
            double seconds = 0.0;
            if (parse_hms(text.c_str(), hour, minute, seconds)) {
                EXPECT_NE(text.find(':'), std::string::npos) << text;
            }
            uint32 ms = 0;
            static_cast<void>(parse_time_of_day_ms(text.c_str(), ms));
        }
    }
}

}  // namespace
