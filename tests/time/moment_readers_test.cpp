#include "time/moment_readers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 2021-03-04 05:06:07 UTC and that day's midnight.
constexpr int64 mar_2021 = 132593079670000000;
constexpr int64 mar_2021_midnight = 132592896000000000;

struct filetime_case {
    const char* name;
    std::string text;
    int64 expected;
};

const filetime_case iso8601_cases[] = {
    {"with_zone_letter", "2021-03-04T05:06:07.5Z", mar_2021 + 5000000},
    {"without_zone_letter", "2021-03-04T05:06:07.5", mar_2021 + 5000000},
    {"date_only", "2021-03-04", mar_2021_midnight},
    {"empty_time", "2021-03-04T", mar_2021_midnight},
    {"hours_minutes", "2021-03-04T05:06", mar_2021 - 7 * 10000000LL},
    // 0.0000001 s is one tick; rounding at the nanosecond keeps it.
    {"one_tick", "2021-03-04T05:06:07.0000001Z", mar_2021 + 1},
    {"below_one_tick", "2021-03-04T05:06:07.00000004", mar_2021},
    {"two_digit_year", "21-03-04T05:06:07", mar_2021},
    // An empty date named a day before 1601 rather than nothing.
    {"time_without_date", "T05:06:07", 0},
    {"month_zero", "2021-00-04T05:06:07", 0},
    {"day_past_month", "2021-02-29T00:00:00", 0},
    {"hour_24", "2021-03-04T24:00:00", 0},
    {"two_zone_letters", "2021-03-04T05:06:07ZZ", 0},
    {"empty", "", 0},
    {"only_t", "T", 0},
    {"only_z", "Z", 0},
    {"commas_and_blanks", " , ,T , ", 0},
    {"digits_without_separators", "20210304T050607", 0},
    // The date reader saturates this year at 2^32 - 1, which must not wrap into a negative
    // FILETIME.
    {"huge_year", "99999999999999999999-03-04", 0},
    {"year_past_32_bits", "4294967296-03-04", 0},
    {"year_past_filetime", "65535-03-04", 0},
    {"last_filetime_year", "30828-09-14", 9223371936000000000LL},
    {"last_filetime_tick", "30828-09-14T02:48:05.4775807Z", 0x7FFFFFFFFFFFFFFFLL},
    {"fraction_past_last_tick", "30828-09-14T02:48:05.9Z", 0},
    {"huge_seconds", "2021-03-04T05:06:1e308", 0},
    {"very_long", std::string(std::size_t{100} * 1024, '9'), 0},
    {"long_with_t",
     std::string(std::size_t{50} * 1024, '1') + "T" + std::string(std::size_t{50} * 1024, '2'), 0},
};

class Iso8601ToFiletime : public ::testing::TestWithParam<filetime_case> {};

TEST_P(Iso8601ToFiletime, ReadsUtcOrGivesZero) {
    EXPECT_EQ(kq::iso8601_to_filetime(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Iso8601ToFiletime, ::testing::ValuesIn(iso8601_cases),
                         [](const auto& p) { return std::string(p.param.name); });

const filetime_case mail_cases[] = {
    {"zone_plus_two", "Thu, 04 Mar 2021 05:06:07 +0200", mar_2021},
    // The zone is read past, not applied: both texts give the same value.
    {"zone_utc", "Thu, 04 Mar 2021 05:06:07 +0000", mar_2021},
    {"without_day_name", "04 Mar 2021 05:06:07 +0000", mar_2021},
    {"month_name_any_case", "Thu, 4 MAR 2021 05:06:07 GMT", mar_2021},
    {"trailing_line_end", "Thu, 04 Mar 2021 05:06:07 +0000\r\n", mar_2021},
    {"huge_year", "Thu, 04 Mar 99999999999 05:06:07 +0000", 0},
    {"nineteen_characters", "04 Mar 2021 05:06:0", 0},
    {"no_blank_left", "Thu,04-Mar-2021-05:06:07-+0000", 0},
    {"bad_month", "Thu, 04 Mrz 2021 05:06:07 +0000", 0},
    {"bad_time", "Thu, 04 Mar 2021 05:66:07 +0000", 0},
    {"all_blanks", std::string(40, ' '), 0},
    {"commas", std::string(40, ','), 0},
    {"very_long", std::string(std::size_t{100} * 1024, 'x') + " 04 Mar 2021 05:06:07 +0000", 0},
};

class MailDateToFiletime : public ::testing::TestWithParam<filetime_case> {};

TEST_P(MailDateToFiletime, ReadsWallClockOrGivesZero) {
    EXPECT_EQ(kq::mail_date_to_filetime(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MailDateToFiletime, ::testing::ValuesIn(mail_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseIso8601Systemtime, FillsFieldsInTheGivenOrder) {
    kq::_windows_systemtime out{};
    ASSERT_TRUE(kq::parse_iso8601_systemtime("2021-03-04T05:06:07Z", "YMD", '-', out));
    EXPECT_EQ(out.year, 2021);
    EXPECT_EQ(out.month, 3);
    EXPECT_EQ(out.day, 4);
    EXPECT_EQ(out.hour, 5);
    EXPECT_EQ(out.minute, 6);
    EXPECT_EQ(out.second, 7);

    const std::string order = "DMY";
    ASSERT_TRUE(kq::parse_iso8601_systemtime("04/03/2021T05:06", order, '/', out));
    EXPECT_EQ(order, "DMY");  // the caller's order is not rewritten
    EXPECT_EQ(out.year, 2021);
    EXPECT_EQ(out.month, 3);
    EXPECT_EQ(out.hour, 5);

    for (const char* text : {"2021-03-04 05:06:07", "", "T", "TZ", "2021-13-04T05:06:07"}) {
        EXPECT_FALSE(kq::parse_iso8601_systemtime(text, "YMD", '-', out)) << text;
    }
    EXPECT_FALSE(kq::parse_iso8601_systemtime(nullptr, "YMD", '-', out));
}

TEST(DateTextLength, AcceptsOnlyTheTwoDateShapes) {
    const std::pair<const char*, uint32> accepted[] = {{"20210304", 8}, {"2021-03-04", 10}};
    for (const auto& [text, length] : accepted) {
        uint32 out = 99;
        EXPECT_TRUE(kq::date_text_length(out, text)) << text;
        EXPECT_EQ(out, length) << text;
    }
    for (const char* text : {"2021-3-4", "", "2021030", "202103045", "2021/03/04", "abcdefgh",
                             "2021-03-4x", "--------", "2021-0304-"}) {
        uint32 out = 99;
        EXPECT_FALSE(kq::date_text_length(out, text)) << text;
        EXPECT_EQ(out, 0U) << text;
    }
}

}  // namespace
