#include "time/date_parse.h"

#include <gtest/gtest.h>

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

TEST(ParseSystemtime, RoundsTheFractionIntoMillisecondsWithoutCarrying) {
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::parse_systemtime("2024-03-05", "10:20:30.25", "YMD", '-', st));
    EXPECT_EQ(st.hour, 10);
    EXPECT_EQ(st.minute, 20);
    EXPECT_EQ(st.second, 30);
    EXPECT_EQ(st.millisecond, 250);
    ASSERT_TRUE(kq::parse_systemtime("2024-03-05", "10:20:59.9996", "YMD", '-', st));
    EXPECT_EQ(st.second, 59);
    EXPECT_EQ(st.millisecond, 1000);
    ASSERT_TRUE(kq::parse_systemtime("2024-03-05", "12:05 am", "YMD", '-', st));
    EXPECT_EQ(st.hour, 0);
}

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
