#include "time/date_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

kq::_windows_systemtime marked() {
    kq::_windows_systemtime st;
    st.year = 1234;
    st.day_of_week = 5;
    return st;
}

TEST(ParseSystemtime, ReadsOrderedDateAndMidnightWithoutTime) {
    kq::_windows_systemtime st = marked();
    ASSERT_TRUE(kq::parse_systemtime("2024-03-05", nullptr, "YMD", '-', st));
    EXPECT_EQ(st.year, 2024);
    EXPECT_EQ(st.month, 3);
    EXPECT_EQ(st.day, 5);
    EXPECT_EQ(st.day_of_week, 0);
    EXPECT_EQ(st.hour, 0);
    EXPECT_EQ(st.minute, 0);
    EXPECT_EQ(st.second, 0);
    EXPECT_EQ(st.millisecond, 0);
    st = marked();
    ASSERT_TRUE(kq::parse_systemtime("Mar/05/24", "", "MonDY", '/', st));
    EXPECT_EQ(st.month, 3);
    EXPECT_EQ(st.year, 2024);
}

TEST(ParseSystemtime, RoundsTheFractionIntoMilliseconds) {
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::parse_systemtime("2024-03-05", "10:20:30.25", "YMD", '-', st));
    EXPECT_EQ(st.hour, 10);
    EXPECT_EQ(st.minute, 20);
    EXPECT_EQ(st.second, 30);
    EXPECT_EQ(st.millisecond, 250);
    ASSERT_TRUE(kq::parse_systemtime("2024-03-05", "12:05 am", "YMD", '-', st));
    EXPECT_EQ(st.hour, 0);
}

// A fraction that rounds up to a whole second carries into the second and on up: the
// record never holds millisecond 1000.
using date_and_clock = std::tuple<int, int, int, int, int, int>;  // y, m, d, h, min, s

struct carry_case {
    const char* name;
    const char* date;
    const char* time;
    date_and_clock expected;
    int millisecond;
};

const carry_case carry_cases[] = {
    {"IntoTheSecond", "2024-03-05", "10:20:58.9996", {2024, 3, 5, 10, 20, 59}, 0},
    {"IntoTheMinute", "2024-03-05", "10:20:59.9996", {2024, 3, 5, 10, 21, 0}, 0},
    {"IntoTheDay", "2024-03-05", "23:59:59.9996", {2024, 3, 6, 0, 0, 0}, 0},
    {"IntoLeapDay", "2024-02-28", "23:59:59.9996", {2024, 2, 29, 0, 0, 0}, 0},
    {"IntoMarchOfCommonYear", "2023-02-28", "23:59:59.9996", {2023, 3, 1, 0, 0, 0}, 0},
    {"IntoTheYear", "2024-12-31", "23:59:59.9996", {2025, 1, 1, 0, 0, 0}, 0},
    {"BelowHalfKept", "2024-03-05", "10:20:59.9994", {2024, 3, 5, 10, 20, 59}, 999},
};

class ParseSystemtimeCarry : public ::testing::TestWithParam<carry_case> {};

TEST_P(ParseSystemtimeCarry, CarriesAWholeSecondUp) {
    const carry_case& c = GetParam();
    kq::_windows_systemtime st = marked();
    ASSERT_TRUE(kq::parse_systemtime(c.date, c.time, "YMD", '-', st));
    EXPECT_EQ(date_and_clock(st.year, st.month, st.day, st.hour, st.minute, st.second),
              c.expected);
    EXPECT_EQ(st.millisecond, c.millisecond);
    EXPECT_EQ(st.day_of_week, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseSystemtimeCarry, ::testing::ValuesIn(carry_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseSystemtime, RefusesAndLeavesTheRecord) {
    struct refused {
        const char* date;
        const char* time;
    };
    const refused cases[] = {
        {"", "10:00"},
        {nullptr, "10:00"},
        {"2024-03-00", nullptr},
        {"2024-03-05", "1000"},
        // Values that the 16-bit fields would wrap into another date or time.
        {"4294967295-01-15", nullptr},
        {"65536-01-15", nullptr},
        {"2024-03-05", "-5:00"},
        {"2024-03-05", "70000:00"},
        {"2024-03-05", "1:00:70000"},
        // Typos are refused, never read as another moment.
        {"2024-03-05", "25:99:99"},
        {"2024-03-05", "-1:30"},
        {"2024-02-31", nullptr},
        {"2023-02-29", nullptr},
        // The carry would take the year beyond the record's 16 bits.
        {"65535-12-31", "23:59:59.9996"},
    };
    for (const refused& c : cases) {
        kq::_windows_systemtime st = marked();
        EXPECT_FALSE(kq::parse_systemtime(c.date, c.time, "YMD", '-', st))
            << (c.date ? c.date : "null") << " " << (c.time ? c.time : "null");
        EXPECT_EQ(st.year, 1234);
        EXPECT_EQ(st.day_of_week, 5);
    }
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::parse_systemtime("65535-01-15", nullptr, "YMD", '-', st));
    EXPECT_EQ(st.year, 65535);
}

TEST(ParseSystemtimeMdy, ReadsMonthDayYearAndPmTimes) {
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::parse_systemtime_mdy("03/05/24", "1:02 pm", st));
    EXPECT_EQ(st.year, 2024);
    EXPECT_EQ(st.month, 3);
    EXPECT_EQ(st.day, 5);
    EXPECT_EQ(st.hour, 13);
    EXPECT_EQ(st.minute, 2);
    ASSERT_TRUE(kq::parse_systemtime_mdy("15-Jan-99", nullptr, st));
    EXPECT_EQ(st.year, 1999);
    EXPECT_EQ(st.day, 15);
    st = marked();
    EXPECT_FALSE(kq::parse_systemtime_mdy("13/05/24", nullptr, st));
    EXPECT_FALSE(kq::parse_systemtime_mdy("", "1:00", st));
    EXPECT_EQ(st.year, 1234);
}

TEST(ParseSystemtimeW, ConvertsWideTextsFirst) {
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::parse_systemtime_w(L"03/05/24", L"1:02 pm", st));
    EXPECT_EQ(st.hour, 13);
    EXPECT_EQ(st.day, 5);
    ASSERT_TRUE(kq::parse_systemtime_w(L"03/05/24", L"", st));  // empty time: midnight
    EXPECT_EQ(st.hour, 0);
    st = marked();
    EXPECT_FALSE(kq::parse_systemtime_w(L"", L"1:02", st));
    EXPECT_FALSE(kq::parse_systemtime_w(nullptr, nullptr, st));
    const wchar_t beyond_unicode[] = {
        L'0', L'3', L'/', L'0', L'5', L'/', L'2', L'4', static_cast<wchar_t>(0x110000), L'\0'};
    EXPECT_FALSE(kq::parse_systemtime_w(beyond_unicode, nullptr, st));
    EXPECT_EQ(st.year, 1234);
}

TEST(ParseDateTimeTm, FillsTmAndDropsMilliseconds) {
    std::tm out{};
    ASSERT_TRUE(kq::parse_date_time_tm("01/15/2024", "10:20:30.750", out));
    EXPECT_EQ(out.tm_year, 124);
    EXPECT_EQ(out.tm_mon, 0);
    EXPECT_EQ(out.tm_mday, 15);
    EXPECT_EQ(out.tm_hour, 10);
    EXPECT_EQ(out.tm_min, 20);
    EXPECT_EQ(out.tm_sec, 30);
    ASSERT_TRUE(kq::parse_date_time_tm(nullptr, "12:00", out));
    EXPECT_EQ(out.tm_year, -1900);
    EXPECT_EQ(out.tm_mon, -1);
    EXPECT_EQ(out.tm_mday, 0);
    EXPECT_EQ(out.tm_hour, 12);
    ASSERT_TRUE(kq::parse_date_time_tm("15-Jan-2024", nullptr, out));
    EXPECT_EQ(out.tm_hour, 0);
    EXPECT_EQ(out.tm_mday, 15);
    out.tm_year = 77;
    EXPECT_FALSE(kq::parse_date_time_tm(nullptr, nullptr, out));
    EXPECT_FALSE(kq::parse_date_time_tm("01/15/2024", "noon", out));
    EXPECT_FALSE(kq::parse_date_time_tm("2024-01-15", "10:00", out));
    EXPECT_EQ(out.tm_year, 77);
}

}  // namespace
