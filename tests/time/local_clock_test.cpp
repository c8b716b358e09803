#include "time/local_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "time/time_test_support.h"

namespace {

std::tm fields_of(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = 0;
    return fields;
}

struct mktime_case {
    const char* zone;
    std::tm fields;
    int64 seconds;
    bool positive;
};

TEST(MktimePositive, TrueOnlyAfterTheEpoch) {
    const mktime_case cases[] = {
        {"UTC0", fields_of(1970, 1, 1, 0, 0, 0), 0, false},
        {"UTC0", fields_of(1970, 1, 1, 0, 0, 1), 1, true},
        {"UTC0", fields_of(1969, 12, 31, 23, 59, 58), -2, false},
        {"IST-5:30", fields_of(1970, 1, 1, 5, 30, 0), 0, false},
        {"IST-5:30", fields_of(1970, 1, 1, 5, 30, 1), 1, true},
        {"IST-5:30", fields_of(1970, 1, 1, 0, 0, 0), -19800, false},
    };
    for (const mktime_case& c : cases) {
        const time_test::scoped_tz zone(c.zone);
        int64 out = 77;
        EXPECT_EQ(kq::mktime_positive(c.fields, out), c.positive) << c.zone << ' ' << c.seconds;
        EXPECT_EQ(out, c.seconds) << c.zone;
    }
}

TEST(MktimePositive, LeavesTheCallersRecordAlone) {
    const time_test::scoped_tz zone("UTC0");
    const std::tm fields = fields_of(1970, 1, 32, 0, 0, 0);
    int64 out = 0;
    ASSERT_TRUE(kq::mktime_positive(fields, out));
    EXPECT_EQ(out, 31 * 86400);  // 1970-02-01
    EXPECT_EQ(fields.tm_mday, 32);
    EXPECT_EQ(fields.tm_mon, 0);
}

TEST(CurrentLocalYear, IsTheLocalClocksYear) {
    const time_test::scoped_tz zone("UTC0");
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ASSERT_NE(localtime_r(&now, &local), nullptr);
    const int32 year = kq::current_local_year();
    EXPECT_EQ(year, local.tm_year + 1900);
    // In UTC the local year is the calendar year of the system clock.
    const std::chrono::year_month_day today{
        std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    EXPECT_EQ(year, static_cast<int>(today.year()));
}

}  // namespace
