#include "time/time_durations.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct diff_case {
    const char* name;
    int64 a;
    int64 b;
    bool ok;
    uint64 ticks;
    uint64 us;
    uint64 ms;
    uint64 seconds;
};

const diff_case diff_cases[] = {
    {"zero_and_25000", 0, 25000, true, 25000, 2500, 2, 0},
    {"order_does_not_matter", 25000, 0, true, 25000, 2500, 2, 0},
    {"truncates", 0, 19999999, true, 19999999, 1999999, 1999, 1},
    {"int64_span", INT64_MAX, 0, true, uint64{INT64_MAX}, uint64{INT64_MAX} / 10,
     uint64{INT64_MAX} / 10000, uint64{INT64_MAX} / 10000000},
    {"negative_a", -1, 5, false, 0, 0, 0, 0},
    {"negative_b", 5, INT64_MIN, false, 0, 0, 0, 0},
};

class FiletimeDiff : public ::testing::TestWithParam<diff_case> {};

TEST_P(FiletimeDiff, InEveryUnit) {
    const diff_case& c = GetParam();
    constexpr uint64 untouched = 77;
    uint64 ticks = untouched;
    uint64 us = untouched;
    uint64 ms = untouched;
    uint64 seconds = untouched;
    EXPECT_EQ(kq::filetime_diff_ticks(c.a, c.b, ticks), c.ok);
    EXPECT_EQ(kq::filetime_diff_us(c.a, c.b, us), c.ok);
    EXPECT_EQ(kq::filetime_diff_ms(c.a, c.b, ms), c.ok);
    EXPECT_EQ(kq::filetime_diff_seconds(c.a, c.b, seconds), c.ok);
    EXPECT_EQ(ticks, c.ok ? c.ticks : untouched);  // the tick form leaves a failed output alone
    EXPECT_EQ(us, c.us);
    EXPECT_EQ(ms, c.ms);
    EXPECT_EQ(seconds, c.seconds);
}

INSTANTIATE_TEST_SUITE_P(Cases, FiletimeDiff, ::testing::ValuesIn(diff_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(NextPowerOfTwo, RoundsUpWithinSixtyFourBits) {
    const std::pair<uint64, uint64> cases[] = {
        {0, 1},
        {1, 1},
        {2, 2},
        {5, 8},
        {4096, 4096},
        {4097, 8192},
        {1ULL << 63, 1ULL << 63},
        {(1ULL << 62) + 1, 1ULL << 63},
        {(1ULL << 63) + 1, 0},
        {UINT64_MAX, 0},
    };
    for (const auto& [v, expected] : cases) {
        EXPECT_EQ(kq::next_power_of_two(v), expected) << v;
    }
}

TEST(MinuteTicks, ConvertAndSaturateAtTheLimits) {
    EXPECT_EQ(kq::ticks_to_minutes(1199999999), 1u);
    EXPECT_EQ(kq::ticks_to_minutes(UINT64_MAX), UINT64_MAX / 600000000);
    EXPECT_EQ(kq::minutes_to_ticks(-60), -36000000000);
    EXPECT_EQ(kq::minutes_to_ticks(INT64_MAX), INT64_MAX);
    EXPECT_EQ(kq::minutes_to_ticks(INT64_MIN), INT64_MIN);
    EXPECT_EQ(kq::minutes_to_ticks(INT64_MAX / 600000000 + 1), INT64_MAX);
}

TEST(FiletimeAddMs, AddsAndSaturatesAtTheLimits) {
    EXPECT_EQ(kq::filetime_add_ms(1000, 2), 21000);
    EXPECT_EQ(kq::filetime_add_ms(1000, -2), -19000);
    EXPECT_EQ(kq::filetime_add_ms(INT64_MAX, 1), INT64_MAX);
    EXPECT_EQ(kq::filetime_add_ms(INT64_MIN, -1), INT64_MIN);
    EXPECT_EQ(kq::filetime_add_ms(0, INT64_MAX), INT64_MAX);
    EXPECT_EQ(kq::filetime_add_ms(0, INT64_MIN), INT64_MIN);
    // The product leaves int64 but the sum comes back into range.
    EXPECT_EQ(kq::filetime_add_ms(INT64_MIN, INT64_MAX / 10000 + 1), 4192);
    EXPECT_TRUE(kq::always_true());
}

}  // namespace
