#include "time/kq_calendar.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

struct breakdown_case {
    const char* name;
    int64 filetime;
    uint16 year, month, day, hour, minute, second, millisecond, day_of_week;
    int64 microseconds;
};

const breakdown_case breakdown_cases[] = {
    {"epoch_1601", 0, 1601, 1, 1, 0, 0, 0, 0, 1, 0},
    {"unix_epoch", 116444736000000000, 1970, 1, 1, 0, 0, 0, 0, 4, 0},
    {"mid_2024", 133497898775336165, 2024, 1, 15, 10, 57, 57, 533, 1, 533616},
    {"leap_day_2000", 125963423990000000, 2000, 2, 29, 23, 59, 59, 0, 2, 0},
    {"no_leap_2100", 157520160000000000, 2100, 3, 1, 0, 0, 0, 0, 1, 0},
    {"end_of_1999", 125911583999990000, 1999, 12, 31, 23, 59, 59, 999, 5, 999000},
    {"year_9999", 2650467743990000000, 9999, 12, 31, 23, 59, 59, 0, 5, 0},
    // The last FILETIME: far enough out that counting 365-day years overshoots by decades.
    {"int64_max", std::numeric_limits<int64>::max(), 30828, 9, 14, 2, 48, 5, 477, 4, 477580},
};

class FiletimeBreakdown : public ::testing::TestWithParam<breakdown_case> {};

TEST_P(FiletimeBreakdown, GivesUtcFields) {
    const breakdown_case& c = GetParam();
    kq::systemtime_ex out;
    ASSERT_TRUE(kq::filetime_to_systemtime_ex(out, c.filetime));
    EXPECT_EQ(out.year, c.year);
    EXPECT_EQ(out.month, c.month);
    EXPECT_EQ(out.day, c.day);
    EXPECT_EQ(out.hour, c.hour);
    EXPECT_EQ(out.minute, c.minute);
    EXPECT_EQ(out.second, c.second);
    EXPECT_EQ(out.millisecond, c.millisecond);
    EXPECT_EQ(out.day_of_week, c.day_of_week);
    EXPECT_EQ(out.microseconds, c.microseconds);
    kq::_windows_systemtime plain;
    ASSERT_TRUE(kq::filetime_to_systemtime(c.filetime, plain));
    EXPECT_EQ(plain.day, c.day);
    const kq::_windows_systemtime from_pair(
        kq::filetime_pair(static_cast<uint32>(c.filetime), static_cast<uint32>(c.filetime >> 32)));
    EXPECT_EQ(from_pair.year, c.year);
    EXPECT_EQ(from_pair.second, c.second);
}

INSTANTIATE_TEST_SUITE_P(Cases, FiletimeBreakdown, ::testing::ValuesIn(breakdown_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FiletimeBreakdown, FractionFieldsAreWholeFractions) {
    kq::systemtime_ex out;
    ASSERT_TRUE(kq::filetime_to_systemtime_ex(out, 133497898775336165));
    EXPECT_EQ(out.nanoseconds, 533616500);
    EXPECT_EQ(out.picoseconds, 533616500000);
    // The sub-tick form takes its fraction from the ticks given, digits below a tick too.
    ASSERT_TRUE(kq::filetime_to_systemtime_frac(116444736000000000, 5000.5, out));
    EXPECT_EQ(out.millisecond, 0);
    EXPECT_EQ(out.microseconds, 500);
    EXPECT_EQ(out.nanoseconds, 500050);
    EXPECT_EQ(out.picoseconds, 500050000);
    EXPECT_EQ(out.year, 1970);
}

TEST(FiletimeBreakdown, RefusesNegativeAndNonsenseFractions) {
    kq::systemtime_ex out;
    out.year = 7;
    out.picoseconds = 9;
    EXPECT_FALSE(kq::filetime_to_systemtime_ex(out, -1));
    EXPECT_EQ(out.year, 0);
    EXPECT_EQ(out.picoseconds, 0);
    kq::_windows_systemtime plain;
    plain.year = 7;
    EXPECT_FALSE(kq::filetime_to_systemtime(std::numeric_limits<int64>::min(), plain));
    EXPECT_EQ(plain.year, 7);  // copied out only on success
    const kq::_windows_systemtime from_negative(kq::filetime_pair(0, 0x80000000U));
    EXPECT_EQ(from_negative.year, 0);
    EXPECT_FALSE(kq::filetime_to_systemtime_frac(0, NAN, out));
    EXPECT_FALSE(kq::filetime_to_systemtime_frac(0, 1e7, out));
    EXPECT_FALSE(kq::filetime_to_systemtime_frac(0, -1.0, out));
}

std::tm make_tm(int year, int month0, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month0;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

constexpr int64 day_ticks = 864000000000;

TEST(TmToFiletime, FollowsTheGregorianLeapRules) {
    std::tm a = make_tm(2000, 1, 29);
    std::tm b = make_tm(2000, 2, 1);
    EXPECT_EQ(kq::tm_to_filetime(b, 0) - kq::tm_to_filetime(a, 0), day_ticks);
    std::tm c = make_tm(1900, 1, 28);
    std::tm d = make_tm(1900, 2, 1);
    EXPECT_EQ(kq::tm_to_filetime(d, 0) - kq::tm_to_filetime(c, 0), day_ticks);
    std::tm e = make_tm(2024, 0, 15, 10, 57, 57);
    EXPECT_EQ(kq::tm_to_filetime(e, 533), 133497898775330000);
    std::tm first = make_tm(1601, 0, 1);
    EXPECT_EQ(kq::tm_to_filetime(first, 0), 0);
}

TEST(TmToFiletime, NormalisesTheMonthButNotTheYearField) {
    kq::_windows_systemtime st;
    std::tm over = make_tm(2020, 12, 1);
    ASSERT_TRUE(kq::filetime_to_systemtime(kq::tm_to_filetime(over, 0), st));
    EXPECT_EQ(st.year, 2021);
    EXPECT_EQ(st.month, 1);
    EXPECT_EQ(over.tm_mon, 0);
    EXPECT_EQ(over.tm_year, 120);
    std::tm under = make_tm(2020, -1, 1);
    ASSERT_TRUE(kq::filetime_to_systemtime(kq::tm_to_filetime(under, 0), st));
    EXPECT_EQ(st.year, 2019);
    EXPECT_EQ(st.month, 12);
    EXPECT_EQ(under.tm_mon, 11);
    EXPECT_EQ(under.tm_year, 120);
    // Day 0 is the last day of the month before.
    std::tm day0 = make_tm(2024, 2, 0);
    ASSERT_TRUE(kq::filetime_to_systemtime(kq::tm_to_filetime(day0, 0), st));
    EXPECT_EQ(st.month, 2);
    EXPECT_EQ(st.day, 29);
}

TEST(TmToFiletime, GivesZeroWhenTheResultDoesNotFit) {
    std::tm far = make_tm(1900, 0, 1);
    far.tm_year = INT_MAX;
    EXPECT_EQ(kq::tm_to_filetime(far, 0), 0);
    std::tm big_fields = make_tm(2000, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    EXPECT_EQ(kq::tm_to_filetime(big_fields, 0), 0);
    std::tm ok = make_tm(2000, 0, 1);
    EXPECT_EQ(kq::tm_to_filetime(ok, std::numeric_limits<int64>::max()), 0);
    // A SYSTEMTIME year of 65535 lies past the last FILETIME.
    kq::_windows_systemtime st;
    st.year = 65535;
    st.month = 1;
    st.day = 1;
    EXPECT_EQ(kq::systemtime_to_filetime(st), 0);
    kq::filetime_pair pair(1, 1);
    EXPECT_TRUE(kq::systemtime_to_filetime(pair, st));
    EXPECT_EQ(pair.low, 0U);
    EXPECT_EQ(pair.high, 0U);
}

// Two independent computations (the closed-form breakdown and the day count of
// tm_to_filetime) must agree on every day from 1601 to the end of the FILETIME range.
TEST(TmToFiletime, RoundTripsThroughTheBreakdownOverTheWholeRange) {
    const int64 last_day = std::numeric_limits<int64>::max() / day_ticks;
    for (int64 day = 0; day < last_day; day += 997) {
        const int64 ft = day * day_ticks + 12345678;
        kq::_windows_systemtime st;
        ASSERT_TRUE(kq::filetime_to_systemtime(ft, st)) << ft;
        kq::filetime_pair pair;
        ASSERT_TRUE(kq::systemtime_to_filetime(pair, st));
        // Below the millisecond the ticks are dropped by the record.
        EXPECT_EQ((static_cast<int64>(pair.high) << 32) | pair.low, ft - 5678) << ft;
    }
}

TEST(SystemtimeRecord, BuildsFromTmFieldsAndClears) {
    kq::_windows_systemtime st(5, 4, 3, 2, 0, 124);
    EXPECT_EQ(st.year, 2024);
    EXPECT_EQ(st.month, 1);
    EXPECT_EQ(st.day, 2);
    EXPECT_EQ(st.hour, 3);
    EXPECT_EQ(st.minute, 4);
    EXPECT_EQ(st.second, 5);
    EXPECT_EQ(st.day_of_week, 0);
    EXPECT_EQ(st.millisecond, 0);
    st.clear();
    EXPECT_EQ(st.year, 0);
    EXPECT_EQ(st.second, 0);
    kq::systemtime_ex ex;
    ex.year = 1;
    ex.nanoseconds = 2;
    ex.clear();
    EXPECT_EQ(ex.year, 0);
    EXPECT_EQ(ex.nanoseconds, 0);
}

TEST(FiletimePair, SplitsAndJoinsWords) {
    kq::filetime_pair pair;
    EXPECT_TRUE(kq::filetime_from_i64(0x0123456789ABCDEF, pair));
    EXPECT_EQ(pair.low, 0x89ABCDEFU);
    EXPECT_EQ(pair.high, 0x01234567U);
    EXPECT_TRUE(kq::filetime_from_u64(1, 2, pair));
    EXPECT_EQ(pair.low, 1U);
    EXPECT_EQ(pair.high, 2U);
    kq::systemtime_ex out;
    EXPECT_TRUE(kq::filetime_pair_to_systemtime_ex(
        kq::filetime_pair(static_cast<uint32>(116444736000000000 & 0xFFFFFFFF),
                          static_cast<uint32>(116444736000000000 >> 32)),
        out));
    EXPECT_EQ(out.year, 1970);
}

TEST(TmToUnixStrict, CarriesFieldsAndLeavesOutNoOffset) {
    int64 out = 0;
    std::tm epoch = make_tm(1970, 0, 1);
    ASSERT_TRUE(kq::tm_to_unix_strict(epoch, out));
    EXPECT_EQ(out, 0);
    std::tm borrow = make_tm(1970, 0, 2, 0, 0, -1);
    ASSERT_TRUE(kq::tm_to_unix_strict(borrow, out));
    EXPECT_EQ(out, 86399);
    std::tm carry = make_tm(1970, 13, 0, 24, 0, 0);  // 1971-02-00 24:00 is 1971-02-01
    ASSERT_TRUE(kq::tm_to_unix_strict(carry, out));
    EXPECT_EQ(out, (365 + 31) * 86400);
    std::tm last = make_tm(2038, 0, 19, 3, 14, 7);
    ASSERT_TRUE(kq::tm_to_unix_strict(last, out));
    EXPECT_EQ(out, std::numeric_limits<int32>::max());
}

TEST(TmToUnixStrict, RefusesBefore1970AndPast32Bits) {
    int64 out = 0;
    std::tm before = make_tm(1969, 11, 31, 23, 59, 59);
    EXPECT_FALSE(kq::tm_to_unix_strict(before, out));
    EXPECT_EQ(out, -1);
    std::tm past = make_tm(2038, 0, 19, 3, 14, 8);
    EXPECT_FALSE(kq::tm_to_unix_strict(past, out));
    EXPECT_EQ(out, -1);
    // Extreme fields are carried quickly and refused, with no overflow.
    std::tm extreme = make_tm(1970, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    EXPECT_FALSE(kq::tm_to_unix_strict(extreme, out));
    std::tm negative = make_tm(1970, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN);
    EXPECT_FALSE(kq::tm_to_unix_strict(negative, out));
}

TEST(UnixToTm, BreaksDownToTheYear3000) {
    std::tm out{};
    ASSERT_TRUE(kq::unix_to_tm(32535215999, out, 0.0F));
    EXPECT_EQ(out.tm_year, 1100);
    EXPECT_EQ(out.tm_mon, 11);
    EXPECT_EQ(out.tm_mday, 31);
    EXPECT_EQ(out.tm_yday, 364);
    EXPECT_EQ(out.tm_hour, 23);
    EXPECT_EQ(out.tm_min, 59);
    EXPECT_EQ(out.tm_sec, 59);
    EXPECT_FALSE(kq::unix_to_tm(32535216000, out, 0.0F));
    EXPECT_EQ(out.tm_year, 0);
    EXPECT_EQ(out.tm_mday, 0);
    EXPECT_EQ(out.tm_hour, 0);
    EXPECT_FALSE(kq::unix_to_tm(std::numeric_limits<int64>::max(), out, 1.0F));
}

TEST(UnixToTm, ShiftsByTheOffsetAndRefusesWhatHasNoBreakdown) {
    std::tm out{};
    ASSERT_TRUE(kq::unix_to_tm(1705316277, out, 5.5F));  // 2024-01-15 10:57:57 UTC
    EXPECT_EQ(out.tm_hour, 16);
    EXPECT_EQ(out.tm_min, 27);
    EXPECT_EQ(out.tm_wday, 1);
    EXPECT_EQ(out.tm_isdst, 0);
    out.tm_year = 77;
    EXPECT_FALSE(kq::unix_to_tm(-1, out, 0.0F));
    EXPECT_EQ(out.tm_year, 77);  // unchanged
    // Shifted before 1970 the year count has nothing to count from: refused, not negative
    // clock fields.
    EXPECT_FALSE(kq::unix_to_tm(0, out, -5.0F));
    EXPECT_FALSE(kq::unix_to_tm(0, out, NAN));
    EXPECT_FALSE(kq::unix_to_tm(0, out, 1e30F));
    ASSERT_TRUE(kq::unix_to_utc_tm(86400 * 59, out));  // 1970-03-01
    EXPECT_EQ(out.tm_mon, 2);
    EXPECT_EQ(out.tm_mday, 1);
}

TEST(UnixToTmArith, AgreesWithTheYearCountAndReachesBefore1970) {
    for (int64 t : {int64{0}, int64{951782399}, int64{1705316277}, int64{32535215999}}) {
        std::tm counted{};
        ASSERT_TRUE(kq::unix_to_utc_tm(t, counted));
        const std::tm closed = kq::unix_to_tm_arith(t);
        EXPECT_EQ(closed.tm_year, counted.tm_year) << t;
        EXPECT_EQ(closed.tm_yday, counted.tm_yday) << t;
        EXPECT_EQ(closed.tm_mon, counted.tm_mon) << t;
        EXPECT_EQ(closed.tm_mday, counted.tm_mday) << t;
        EXPECT_EQ(closed.tm_wday, counted.tm_wday) << t;
        EXPECT_EQ(closed.tm_sec, counted.tm_sec) << t;
    }
    const std::tm before = kq::unix_to_tm_arith(-1);
    EXPECT_EQ(before.tm_year, 69);
    EXPECT_EQ(before.tm_mon, 11);
    EXPECT_EQ(before.tm_mday, 31);
    EXPECT_EQ(before.tm_hour, 23);
    EXPECT_EQ(before.tm_wday, 3);
    const std::tm far = kq::unix_to_tm_arith(std::numeric_limits<int64>::min());
    EXPECT_EQ(far.tm_year, 0);
    EXPECT_EQ(far.tm_mday, 0);
}

// Sets TZ for one test and restores it afterwards.
class LocalZone : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        m_had_tz = old != nullptr;
        m_old_tz = m_had_tz ? old : "";
    }
    void TearDown() override {
        if (m_had_tz) {
            setenv("TZ", m_old_tz.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    static void use_zone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    bool m_had_tz = false;
    std::string m_old_tz;
};

TEST_F(LocalZone, OffsetKeepsMinutes) {
    use_zone("UTC0");
    EXPECT_EQ(kq::get_local_utc_offset(), 0);
    use_zone("IST-5:30");
    EXPECT_EQ(kq::get_local_utc_offset(), 19800);
    std::tm out{};
    ASSERT_TRUE(kq::unix_to_local_tm(0, out));
    EXPECT_EQ(out.tm_hour, 5);
    EXPECT_EQ(out.tm_min, 30);
    use_zone("EST5");
    EXPECT_EQ(kq::get_local_utc_offset(), -18000);
    EXPECT_FALSE(kq::unix_to_local_tm(0, out));  // 1969 in that zone
}

// A zone that is in daylight saving all year: the offset must include it.
TEST_F(LocalZone, OffsetIncludesDaylightSaving) {
    use_zone("XST-1XDT,0/0,J365/25");
    EXPECT_EQ(kq::get_local_utc_offset(), 7200);
}

TEST(FiletimeToDos, PacksWordsForTheDosYears) {
    kq::dos_date_time out;
    ASSERT_TRUE(kq::filetime_to_dos(125911584010000000, out));  // 2000-01-01 00:00:01
    EXPECT_EQ(out.date, (1 | (1 << 5) | (20 << 9)));
    EXPECT_EQ(out.time, 1);
    ASSERT_TRUE(kq::filetime_to_dos(137903903990000000, out));  // 2037-12-31 23:59:59
    EXPECT_EQ(out.time & 0x1F, 29);
    EXPECT_EQ(out.time >> 11, 23);
    EXPECT_EQ((out.time >> 5) & 0x3F, 59);
    out = kq::dos_date_time();
    EXPECT_FALSE(kq::filetime_to_dos(119600063990000000, out));  // 1979-12-31 23:59:59
    EXPECT_FALSE(kq::filetime_to_dos(137903904000000000, out));  // 2038-01-01
    EXPECT_FALSE(kq::filetime_to_dos(-5, out));
    EXPECT_EQ(out.date, 0);
    EXPECT_EQ(out.time, 0);
}

TEST(FiletimeSecondsBetween, IsAbsoluteAndRefusesNegatives) {
    uint64 out = 7;
    ASSERT_TRUE(kq::filetime_seconds_between(100000000, 50000000, out));
    EXPECT_EQ(out, 5U);
    ASSERT_TRUE(kq::filetime_seconds_between(50000000, 100000000, out));
    EXPECT_EQ(out, 5U);
    ASSERT_TRUE(kq::filetime_seconds_between(0, std::numeric_limits<int64>::max(), out));
    EXPECT_EQ(out, 922337203685U);
    EXPECT_FALSE(kq::filetime_seconds_between(-1, 5, out));
    EXPECT_EQ(out, 0U);
}

struct stored_value_case {
    const char* name;
    long64 value;
    kq::type_time kind;
    uint16 year, month, day_of_week, day, hour, minute, second, millisecond;
};

const stored_value_case stored_value_cases[] = {
    // 2020-12-11 19:11:35.902 UTC, a Friday.
    {"filetime", 132521874959025799, kq::tt_filetime, 2020, 12, 5, 11, 19, 11, 35, 902},
    {"filetime_zero", 0, kq::tt_filetime, 1601, 1, 1, 1, 0, 0, 0, 0},
    {"negative_filetime_stays_zero", -1, kq::tt_filetime, 0, 0, 0, 0, 0, 0, 0, 0},
    {"unix_seconds", 1700000000, kq::tt_unix, 2023, 11, 2, 14, 22, 13, 20, 0},
    {"unix_before_1970_stays_zero", -1, kq::tt_unix, 0, 0, 0, 0, 0, 0, 0, 0},
    {"unix_year_beyond_record", 4102444800000, kq::tt_unix, 0, 0, 0, 0, 0, 0, 0, 0},
};

class SystemtimeFromStoredValue : public ::testing::TestWithParam<stored_value_case> {};

TEST_P(SystemtimeFromStoredValue, BreaksDownInUtcOrStaysZero) {
    const auto& c = GetParam();
    const kq::_windows_systemtime st(c.value, c.kind);
    EXPECT_EQ(st.year, c.year);
    EXPECT_EQ(st.month, c.month);
    EXPECT_EQ(st.day_of_week, c.day_of_week);
    EXPECT_EQ(st.day, c.day);
    EXPECT_EQ(st.hour, c.hour);
    EXPECT_EQ(st.minute, c.minute);
    EXPECT_EQ(st.second, c.second);
    EXPECT_EQ(st.millisecond, c.millisecond);
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemtimeFromStoredValue, ::testing::ValuesIn(stored_value_cases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(SystemtimeFromStoredValueDeathTest, OtherKindsAreACallersError) {
    EXPECT_DEATH((void)kq::_windows_systemtime(5, kq::tt_chrome),
                 "kq::_windows_systemtime::_windows_systemtime\\(long64, kq::type_time\\)");
}

}  // namespace
