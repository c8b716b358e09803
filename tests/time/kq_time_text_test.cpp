#include <gtest/gtest.h>

#include <string>

#include "time/kq_time.h"
#include "time/time_test_support.h"

namespace {

using time_test::scoped_tz;
using time_test::utc_text;

// ---------------------------------------------------------------- text

struct order_text_case {
    const char* name;
    const char* text;
    const char* format;
    char separator;
    int64 filetime;
};

const order_text_case order_text_cases[] = {
    {"BlankSplits", "2024-01-15 10:05:07.5", "YMD", '-', 133497867075000000},
    {"TSplits", "2021-03-04T05:06:07", "YMD", '-', 132593079670000000},
    {"DateOnly", "2021-03-04", "YMD", '-', 132592896000000000},
    {"Garbage", "garbage", "YMD", '-', 0},
    {"HandlerRowText", "2020-12-11 19:09:13", "YMD", '-', 132521873530000000},
    {"BlankSeparatorDropsLastWord", "15 01 2024 10:05:07 UTC", "DMY", ' ', 133497867070000000},
    {"BlankSeparatorLastWordIsTime", "15 01 2024 10:05:07", "DMY", ' ', 133497867070000000},
    {"BlankSeparatorNothingBeforeWord", "15 UTC", "DMY", ' ', 0},
    {"MonthName", "15-Jan-2024 10:05:07", "DMonY", '-', 133497867070000000},
};

class OrderText : public ::testing::TestWithParam<order_text_case> {};

TEST_P(OrderText, ReadsDateAndTime) {
    const scoped_tz tz("UTC0");
    const order_text_case& c = GetParam();
    std::string format = c.format;
    const kq::time t(c.text, format, c.separator);
    EXPECT_EQ(t.filetime, c.filetime);
    EXPECT_EQ(t.is_valid, c.filetime != 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, OrderText, ::testing::ValuesIn(order_text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OrderText, MonthNameRewritesTheCallersFormat) {
    std::string format = "DMonY";
    const kq::time t("15-Jan-2024", format, '-');
    EXPECT_TRUE(t.is_valid);
    EXPECT_EQ(format, "YMD");
    std::string unchanged = "YMD";
    const kq::time plain("2024-01-15", unchanged, '-');
    EXPECT_EQ(unchanged, "YMD");
    EXPECT_FALSE(kq::time(nullptr, unchanged, '-').is_valid);
}

TEST(DateBlankTimeText, ReadsMonthDayYearAndDropsMilliseconds) {
    const scoped_tz tz("UTC0");
    EXPECT_EQ(utc_text(kq::time("01/15/2024 10:05:07.9", true)), "2024-01-15 10:05:07.000");
    EXPECT_EQ(utc_text(kq::time("15-Jan-24 1:02 pm", true)), "2024-01-15 13:02:00.000");
    EXPECT_EQ(utc_text(kq::time("01/01/2004", true)), "2004-01-01 00:00:00.000");
    EXPECT_FALSE(kq::time("2024-01-15 10:05:07", true).is_valid);  // not month/day/year
    EXPECT_FALSE(kq::time("01/15/2024 nonsense", true).is_valid);
}

}  // namespace
