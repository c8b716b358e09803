#include "time/time_local.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "time/time_test_support.h"

namespace {

using time_test::scoped_tz;

constexpr int64 jan15_2024_ft = 133497867071234567;  // 2024-01-15 10:05:07.1234567 UTC
constexpr int64 ticks_per_hour = 36000000000;

TEST(TmForms, UtcAndLocal) {
    const scoped_tz tz("IST-5:30");
    std::tm out{};
    ASSERT_TRUE(kq::filetime_to_utc_tm(jan15_2024_ft, out));
    EXPECT_EQ(out.tm_hour, 10);
    EXPECT_EQ(out.tm_min, 5);
    ASSERT_TRUE(kq::filetime_to_local_tm(jan15_2024_ft, out));
    EXPECT_EQ(out.tm_hour, 15);
    EXPECT_EQ(out.tm_min, 35);
    EXPECT_FALSE(kq::filetime_to_utc_tm(94354848000000000, out));  // 1900
    EXPECT_FALSE(kq::filetime_to_local_tm(-1, out));
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::filetime_to_systemtime(jan15_2024_ft, st));
    int64 seconds = 0;
    ASSERT_TRUE(kq::systemtime_to_unix(st, seconds));
    EXPECT_EQ(seconds, 1705313107);
}

constexpr int64 jul15_2024_ft = 133655115071234567;  // 2024-07-15 10:05:07.1234567 UTC
constexpr int64 ticks_per_minute = 600000000;
constexpr const char* new_york = "EST5EDT,M3.2.0,M11.1.0";

struct offset_case {
    const char* name;
    const char* zone;
    int64 filetime;
    int64 minutes;  // UTC minus local, in minutes
};

// Each moment's own offset, minutes included: never today's offset for every date.
const offset_case offset_cases[] = {
    {"MinutesAreKept", "IST-5:30", jan15_2024_ft, -330},
    {"West", "EST5", jan15_2024_ft, 300},
    {"NewYorkWinter", new_york, jan15_2024_ft, 300},
    {"NewYorkSummer", new_york, jul15_2024_ft, 240},
    {"LocalDayLater", "UTC-10", jan15_2024_ft + 10 * ticks_per_hour, -600},
    {"LocalDayEarlier", "UTC10", jan15_2024_ft - 6 * ticks_per_hour, 600},
    {"Utc", "UTC0", jan15_2024_ft, 0},
};

class LocalDifference : public ::testing::TestWithParam<offset_case> {};

TEST_P(LocalDifference, UsesTheMomentsOwnOffset) {
    const offset_case& c = GetParam();
    const scoped_tz tz(c.zone);
    EXPECT_EQ(kq::local_filetime_to_utc(static_cast<uint64>(c.filetime)),
              c.filetime + c.minutes * ticks_per_minute);
}

INSTANTIATE_TEST_SUITE_P(Cases, LocalDifference, ::testing::ValuesIn(offset_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A July moment in New York is on daylight-saving time (UTC-4) whatever the run's date; a
// January one on standard time (UTC-5).
TEST(TmForms, LocalFormOfADateUsesThatDatesOffset) {
    const scoped_tz tz(new_york);
    std::tm out{};
    ASSERT_TRUE(kq::filetime_to_local_tm(jul15_2024_ft, out));
    EXPECT_EQ(std::make_tuple(out.tm_mon, out.tm_mday, out.tm_hour, out.tm_min),
              std::make_tuple(6, 15, 6, 5));
    ASSERT_TRUE(kq::filetime_to_local_tm(jan15_2024_ft, out));
    EXPECT_EQ(std::make_tuple(out.tm_mon, out.tm_mday, out.tm_hour, out.tm_min),
              std::make_tuple(0, 15, 5, 5));
    const kq::time summer(jul15_2024_ft, kq::tt_filetime);
    EXPECT_EQ(summer.local.tm_hour, 6);
    std::tm fields{};  // 2024-07-15 10:00 local
    fields.tm_year = 124;
    fields.tm_mon = 6;
    fields.tm_mday = 15;
    fields.tm_hour = 10;
    fields.tm_isdst = -1;
    bool dst = true;
    EXPECT_EQ(kq::local_tm_utc_difference(dst, fields), 4 * 3600);
    const scoped_tz india("IST-5:30");
    EXPECT_EQ(kq::local_tm_utc_difference(dst, fields), -(5 * 3600 + 1800));
}

TEST(LocalDifference, OfFieldsAndText) {
    const scoped_tz tz("EST5");
    EXPECT_EQ(kq::local_filetime_to_utc(5), 0);  // 1601: no valid moment
    std::tm fields{};
    fields.tm_year = 124;
    fields.tm_mday = 15;
    fields.tm_hour = 10;
    bool dst = true;
    EXPECT_EQ(kq::local_tm_utc_difference(dst, fields), 5 * 3600);
    EXPECT_FALSE(dst);
    EXPECT_EQ(kq::text_utc_difference(dst, "01/15/2024 10:00"), 5 * 3600);
    EXPECT_EQ(kq::text_utc_difference(dst, "01/15/2024"), 5 * 3600);
    EXPECT_EQ(kq::text_utc_difference(dst, nullptr), 0);
    EXPECT_EQ(kq::text_utc_difference(dst, "yesterday noon"), 0);
}

}  // namespace
