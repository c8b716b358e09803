#include "text/time_display_spec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct date_case {
    const char* name;
    const char* date_template;
    bool compiles;
    char separator;
    uint8 date_flags;
};

const date_case date_cases[] = {
    {"month_day_year", "mm/dd/yyyy", true, '/', 0x46},
    {"year_month_day", "yyyy-mm-dd", true, '-', 0x86},
    {"day_month_short_year", "dd/mm/yy", true, '/', 0x2A},
    {"month_name_with_comma", "mmm dd, yyyy", true, ' ', 0x55},
    {"no_separator", "mmddyyyy", true, 0, 0x46},
    {"slash_before_dash", "yyyy-mm/dd", true, '/', 0x86},
    {"any_one_separator", "dd.mm.yyyy", true, '.', 0x26},
    {"underscore_year_first", "yyyy_mm_dd", true, '_', 0x86},
    {"comma_separator", "dd,mm,yyyy", true, ',', 0x36},
    {"mixed_other_separators", "dd.mm_yyyy", false, 0, 0x00},
    {"byte_of_a_wider_character", "dd\xc3\xa9mm\xc3\xa9yyyy", false, 0, 0x00},
    {"year_day_month", "yyyy/dd/mm", false, '/', 0x06},
    {"month_year_day", "mm/yy/dd", false, '/', 0x0A},
    {"no_month", "dd/yyyy", false, '/', 0x00},
    {"no_year", "mm/dd", false, '/', 0x02},
    {"no_day_keeps_comma", "mm/yyyy, x", false, '/', 0x16},
};

class CompileDateTemplate : public ::testing::TestWithParam<date_case> {};

TEST_P(CompileDateTemplate, SetsSeparatorAndFlags) {
    const date_case& c = GetParam();
    time_display_spec spec;
    EXPECT_EQ(spec.parse(c.date_template, "hh:mm:ss.xxx", false), c.compiles);
    EXPECT_EQ(spec.separator, c.separator);
    EXPECT_EQ(spec.date_flags, c.date_flags);
    // A failed date stops the compile before the time template is looked at.
    EXPECT_EQ(spec.fraction_digits(), c.compiles ? 3U : 0U);
    EXPECT_EQ(spec.min_year, 1900);
    EXPECT_EQ(spec.max_year, 2600);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompileDateTemplate, ::testing::ValuesIn(date_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct accept_case {
    const char* name;
    const char* typed;
    bool accepted;
    const char* kept;  // the accepted form
};

// A "-dateformat" value is taken only when every date is then written as it reads.
const accept_case accept_cases[] = {
    {"dashes", "yyyy-mm-dd", true, "yyyy-mm-dd"},
    {"no_separator", "YYYYMMDD", true, "yyyymmdd"},
    {"comma", "dd,mm,yyyy", true, "dd,mm,yyyy"},
    {"blank", "dd mm yyyy", true, "dd mm yyyy"},
    {"other_letter_keeps_its_case", "ddXmmXyyyy", true, "ddXmmXyyyy"},
    {"two_digit_year", "dd.mm.yy", true, "dd.mm.yy"},
    {"month_name", "mmm-dd-yy", false, ""},  // nine characters
    {"mixed_with_a_slash", "dd/mm-yyyy", false, ""},
    {"comma_and_blank", "mmm dd, yy", false, ""},
    {"field_letter_between_fields", "dddmmdyyyy", false, ""},
    {"capital_field_letter_between_fields", "ddYmmYyyyy", false, ""},
    {"separator_around_the_fields", "/dd/mm/yy/", false, ""},
    {"two_character_separator", "dd..mm..yy", false, ""},
    {"tab", "dd\tmm\tyyyy", false, ""},
    {"repeated_field", "dd-dd-yyyy", false, ""},
    {"no_field_order", "yyyy/dd/mm", false, ""},
};

class AcceptDateTemplate : public ::testing::TestWithParam<accept_case> {};

TEST_P(AcceptDateTemplate, TakesOnlyWhatIsWrittenAsTyped) {
    const accept_case& c = GetParam();
    std::string kept;
    EXPECT_EQ(accept_date_template(c.typed, kept), c.accepted);
    if (c.accepted) {
        EXPECT_EQ(kept, c.kept);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AcceptDateTemplate, ::testing::ValuesIn(accept_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct time_case {
    const char* name;
    const char* time_template;
    unsigned digits;
};

const time_case time_cases[] = {
    {"seconds", "hh:mm:ss", 0},
    {"two_x_are_no_fraction", "hh:mm:ss.xx", 0},
    {"milliseconds", "hh:mm:ss.xxx", 3},
    {"seconds_only", "ss.xxx", 3},
    {"microseconds", "hh:mm:ss.xxxxxx", 6},
    {"nanoseconds", "hh:mm:ss.xxxxxxxxx", 9},
    {"twelve_capped_at_nine", "hh:mm:ss.xxxxxxxxxxxx", 9},
    {"gap_counts_as_digits", "xxx x", 5},
    {"lone_x_before_is_ignored", "x xxx", 3},
};

class CompileTimeTemplate : public ::testing::TestWithParam<time_case> {};

TEST_P(CompileTimeTemplate, CountsFractionDigits) {
    const time_case& c = GetParam();
    time_display_spec spec;
    EXPECT_TRUE(spec.parse("yyyy-mm-dd", c.time_template, true));
    EXPECT_EQ(spec.fraction_digits(), c.digits);
    EXPECT_EQ(spec.time_flags & time_display_spec::pair_flag, 1);
    EXPECT_EQ(spec.time_flags & 0xE0, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompileTimeTemplate, ::testing::ValuesIn(time_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TimeDisplaySpec, UnsetOnlyWhenNothingWasStored) {
    time_display_spec spec;
    EXPECT_TRUE(spec.is_unset());
    EXPECT_TRUE(spec.parse("", "", false));
    EXPECT_TRUE(spec.is_unset());
    EXPECT_TRUE(spec.parse("", "hh:mm:ss.xxx", false));
    EXPECT_FALSE(spec.is_unset());
    EXPECT_EQ(spec.date_flags, 0);
    EXPECT_EQ(spec.fraction_digits(), 3U);
    EXPECT_TRUE(spec.parse("", "hh:mm:ss", true));
    EXPECT_FALSE(spec.is_unset());
    // A failed compile that found a month is not unset: the formatter uses it.
    EXPECT_FALSE(spec.parse("mm", "", false));
    EXPECT_FALSE(spec.is_unset());
}

TEST(TimeDisplaySpec, RecompileResetsEveryField) {
    time_display_spec spec;
    spec.min_year = 5;
    spec.spare_word = 9;
    ASSERT_TRUE(spec.parse("mmm dd, yyyy", "hh:mm:ss.xxxxxx", true));
    ASSERT_TRUE(spec.parse("dd/mm/yy", "hh:mm:ss", false));
    EXPECT_EQ(spec.separator, '/');
    EXPECT_EQ(spec.date_flags, 0x2A);
    EXPECT_EQ(spec.time_flags, 0);
    EXPECT_EQ(spec.min_year, 1900);
    EXPECT_EQ(spec.spare_word, 0U);
}

TEST(TimeDisplaySpec, FractionBitsClearWithoutLosingThePairFlag) {
    time_display_spec spec;
    ASSERT_TRUE(spec.parse("yyyy-mm-dd", "hh:mm:ss.xxxxxxxxx", true));
    spec.time_flags &= time_display_spec::keep_without_fraction;
    EXPECT_EQ(spec.fraction_digits(), 0U);
    EXPECT_EQ(spec.time_flags, time_display_spec::pair_flag);
}

TEST(MonthAbbrev, NamesOneToTwelveOnly) {
    EXPECT_EQ(month_abbrev(1), "Jan");
    EXPECT_EQ(month_abbrev(5), "May");
    EXPECT_EQ(month_abbrev(12), "Dec");
    EXPECT_EQ(month_abbrev(0), "");
    EXPECT_EQ(month_abbrev(13), "");
    EXPECT_EQ(month_abbrev(0xFFFFFFFFU), "");
}

TEST(CheckTimeTemplate, AcceptsSecondsOrMillisecondForms) {
    unsigned length = 99;
    EXPECT_TRUE(kq::check_time_template(length, "hh:mm:ss"));
    EXPECT_EQ(length, 8U);
    EXPECT_TRUE(kq::check_time_template(length, "hh:mm:ss.xxx"));
    EXPECT_EQ(length, 12U);
    EXPECT_TRUE(kq::check_time_template(length, "hh:mm:ss.xxxxxx"));
    EXPECT_EQ(length, 15U);
    EXPECT_FALSE(kq::check_time_template(length, "hh:mm"));
    EXPECT_EQ(length, 0U);
    EXPECT_FALSE(kq::check_time_template(length, "hhmmss.xxxxx"));
    EXPECT_FALSE(kq::check_time_template(length, "hh:mm:ss.xx"));
    EXPECT_FALSE(kq::check_time_template(length, "hh:mm:ss.xxxxxxxxxxx"));  // 20 characters
    EXPECT_TRUE(kq::is_time_template("hh:mm:ss"));
    EXPECT_FALSE(kq::is_time_template(""));
}

}  // namespace
