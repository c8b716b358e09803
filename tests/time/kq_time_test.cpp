#include "time/kq_time.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>

#include "text/extras/output_field_spec.h"
#include "text/time_display_spec.h"
#include "time/time_test_support.h"

namespace {

using time_test::scoped_tz;
using time_test::utc_text;

constexpr int64 jan15_2024_ft = 133497867071234567;  // 2024-01-15 10:05:07.1234567 UTC

// ---------------------------------------------------------------- values of each kind

struct kind_case {
    const char* name;
    kq::time (*make)();
    const char* expected;  // UTC text or "invalid"
};

const kind_case kind_cases[] = {
    {"FiletimeU64", [] { return kq::time(uint64{jan15_2024_ft}, kq::tt_filetime); },
     "2024-01-15 10:05:07.123"},
    {"FiletimeTopBitSet", [] { return kq::time(uint64{1} << 63, kq::tt_filetime); }, "invalid"},
    {"ChromeU64", [] { return kq::time(uint64{13349786707123456}, kq::tt_chrome); },
     "2024-01-15 10:05:07.123"},
    {"Firefox3U64", [] { return kq::time(uint64{1705313107123456}, kq::tt_firefox3); },
     "2024-01-15 10:05:07.123"},
    {"UnixU64", [] { return kq::time(uint64{1700000000}, kq::tt_unix); },
     "2023-11-14 22:13:20.000"},
    {"UnixZero", [] { return kq::time(uint64{0}, kq::tt_unix); }, "invalid"},
    {"UnixNegativeI64", [] { return kq::time(int64{-5}, kq::tt_unix); }, "invalid"},
    {"UnixMsU64", [] { return kq::time(uint64{1700000000}, kq::tt_unix_ms); },
     "1970-01-20 16:13:20.000"},
    {"UnixMs1500", [] { return kq::time(uint64{1500}, kq::tt_unix_ms); },
     "1970-01-01 00:00:01.500"},
    {"UnixMs999", [] { return kq::time(uint64{999}, kq::tt_unix_ms); }, "invalid"},
    {"UnixMsI64", [] { return kq::time(int64{1705313107123}, kq::tt_unix_ms); },
     "2024-01-15 10:05:07.123"},
    {"UnixMsNegativeI64", [] { return kq::time(int64{-1500}, kq::tt_unix_ms); }, "invalid"},
    {"UnixDouble", [] { return kq::time(1700000000.25, kq::tt_unix); }, "2023-11-14 22:13:20.250"},
    {"UnixMsDouble", [] { return kq::time(1700000000.0, kq::tt_unix_ms); },
     "1970-01-20 16:13:20.000"},
    {"UnixMsDoubleExact", [] { return kq::time(1705313107123.0, kq::tt_unix_ms); },
     "2024-01-15 10:05:07.123"},
    {"VhdZero", [] { return kq::time(uint64{0}, kq::tt_vhd); }, "2000-01-01 17:00:00.000"},
    {"VhdHighWordIgnored", [] { return kq::time(uint64{0x100000000}, kq::tt_vhd); },
     "2000-01-01 17:00:00.000"},
    {"VhdI64", [] { return kq::time(int64{86400}, kq::tt_vhd); }, "2000-01-02 17:00:00.000"},
    {"SnowflakeZero", [] { return kq::time(uint64{0}, kq::tt_snowflake); },
     "2015-01-01 00:00:00.000"},
    {"SnowflakeOneSecond", [] { return kq::time(int64{1000} << 22, kq::tt_snowflake); },
     "2015-01-01 00:00:01.000"},
    {"SafariZero", [] { return kq::time(uint64{0}, kq::tt_safari); }, "2001-01-01 00:00:00.000"},
    {"SafariDouble", [] { return kq::time(727009077.5, kq::tt_safari); },
     "2024-01-15 10:57:57.500"},
    {"SafariNanoseconds", [] { return kq::time(uint64{727009077500000000}, kq::tt_safari); },
     "2024-01-15 10:57:57.500"},
    {"SafariNegativeI64", [] { return kq::time(int64{-1}, kq::tt_safari); },
     "2000-12-31 23:59:59.000"},
    {"SafariNanosecondsI64", [] { return kq::time(int64{727009077500000000}, kq::tt_safari); },
     "2024-01-15 10:57:57.500"},
    {"HfsPlus", [] { return kq::time(uint64{3788157907}, kq::tt_hfs_plus); },
     "2024-01-15 10:05:07.000"},
    {"DotnetU64", [] { return kq::time(uint64{638409099071234567}, kq::tt_dotnet); },
     "2024-01-15 10:05:07.123"},
    {"DotnetBefore1601", [] { return kq::time(uint64{5}, kq::tt_dotnet); }, "invalid"},
    {"DotnetI64Refused", [] { return kq::time(int64{638409099071234567}, kq::tt_dotnet); },
     "invalid"},
    {"OleDouble", [] { return kq::time(2.5, kq::tt_ole); }, "1900-01-01 12:00:00.000"},
    {"OleDouble2024", [] { return kq::time(45306.5, kq::tt_ole); }, "2024-01-15 12:00:00.000"},
    {"OleDoubleZero", [] { return kq::time(0.0, kq::tt_ole); }, "invalid"},
    {"OleI64Zero", [] { return kq::time(int64{0}, kq::tt_ole); }, "invalid"},
    {"OleI64", [] { return kq::time(int64{45306}, kq::tt_ole); }, "2024-01-15 00:00:00.000"},
    {"OleU64Refused", [] { return kq::time(uint64{45306}, kq::tt_ole); }, "invalid"},
    {"DosKindHasNoInteger", [] { return kq::time(uint64{0x582F50A3}, kq::tt_dos); }, "invalid"},
    {"UnnamedKind", [] { return kq::time(uint64{1700000000}, kq::type_time{3}); }, "invalid"},
    {"TextUnixDecimal", [] { return kq::time(std::string("10"), kq::tt_unix); },
     "1970-01-01 00:00:10.000"},
    {"TextFiletimeHex", [] { return kq::time(std::string("01DA479A12345678"), kq::tt_filetime); },
     "2024-01-15 10:03:21.680"},
    {"TextUnnamedKind", [] { return kq::time(std::string("10"), kq::type_time{5}); }, "invalid"},
};

class KindValues : public ::testing::TestWithParam<kind_case> {};

TEST_P(KindValues, GiveTheirUtcMoment) {
    const scoped_tz tz("UTC0");
    EXPECT_EQ(utc_text(GetParam().make()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, KindValues, ::testing::ValuesIn(kind_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(KindValues, HexTextSplitsIntoWords) {
    // The last 8 characters are the low word; each word stops at its first non-hex digit.
    EXPECT_EQ(kq::time(std::string("01DA479Azz345678"), kq::tt_filetime).filetime,
              int64{0x01DA479A00000000});
    EXPECT_EQ(kq::time(std::string("0001D0A4D77A"), kq::tt_filetime).filetime,
              int64{0x0001D0A4D77A});
    // Kind 2 is hexadecimal microseconds: "10" is 16 us, FILETIME 160 (1601, so invalid).
    const kq::time chrome(std::string("10"), kq::tt_chrome);
    EXPECT_EQ(chrome.filetime, 160);
    EXPECT_FALSE(chrome.is_valid);
}

TEST(KindValuesDeathTest, TextOfAKindWithoutTextFormStops) {
    EXPECT_DEATH(kq::time(std::string("10"), kq::tt_unix_ms),
                 "false.*kq::time::time\\(std::string, kq::type_time\\).*kq_time");
    EXPECT_DEATH(kq::time(std::string("10"), kq::tt_all), "false");
}

// Values whose FILETIME would leave the signed 64-bit range, wrap into a plausible year, or
// need an undefined float conversion: all invalid, and clean under the sanitizers.
TEST(KindValues, HostileValuesAreInvalid) {
    const scoped_tz tz("UTC0");
    const uint64 wraps_to_2024_unix = 1844674407371ULL + 1705313107ULL;
    const uint64 wraps_to_2024_chrome = 1844674407370955162ULL + 13349786707123456ULL;
    EXPECT_FALSE(kq::time(wraps_to_2024_unix, kq::tt_unix).is_valid);
    EXPECT_FALSE(kq::time(uint64{922337203686}, kq::tt_unix).is_valid);
    EXPECT_FALSE(kq::time(wraps_to_2024_chrome, kq::tt_chrome).is_valid);
    const int64 extremes[] = {std::numeric_limits<int64>::min(), std::numeric_limits<int64>::max(),
                              -1};
    const kq::type_time kinds[] = {kq::tt_filetime, kq::tt_chrome, kq::tt_firefox3,  kq::tt_unix,
                                   kq::tt_unix_ms,  kq::tt_ole,    kq::tt_snowflake, kq::tt_safari,
                                   kq::tt_hfs_plus, kq::tt_dotnet, kq::tt_vhd};
    for (const kq::type_time kind : kinds) {
        for (const int64 v : extremes) {
            (void)kq::time(v, kind);  // must stay free of undefined behaviour
            (void)kq::time(static_cast<uint64>(v), kind);
        }
    }
    // All-ones has no reading in these kinds (signed kinds read it as -1 on purpose).
    for (const kq::type_time kind : {kq::tt_filetime, kq::tt_chrome, kq::tt_unix, kq::tt_unix_ms,
                                     kq::tt_ole, kq::tt_hfs_plus, kq::tt_dotnet}) {
        EXPECT_FALSE(kq::time(std::numeric_limits<uint64>::max(), kind).is_valid) << kind;
    }
    const double doubles[] = {std::nan(""),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              1e300,
                              -1e300,
                              9.3e11 * 1e7};
    for (const kq::type_time kind : {kq::tt_unix, kq::tt_unix_ms, kq::tt_ole, kq::tt_safari}) {
        for (const double d : doubles) {
            EXPECT_FALSE(kq::time(d, kind).is_valid) << kind << " " << d;
        }
    }
}

// ---------------------------------------------------------------- validity

struct validity_case {
    const char* name;
    int64 filetime;
    bool valid;
    int64 unix_seconds;
    bool local_failed;
};

const validity_case validity_cases[] = {
    // The first second of 1970 is a moment like any other.
    {"Unix0", 116444736000000000, true, 0, false},
    {"Unix0Half", 116444736005000000, true, 0, false},
    {"Unix1", 116444736010000000, true, 1, false},
    {"Year1899", 94354847990000000, false, -2208988801, true},
    {"Year1900", 94354848000000000, true, -2208988800, true},
    {"Year3000", 441796895990000000, true, 32535215999, false},
    {"Year3001", 441796896000000000, false, 32535216000, true},
    // Before 1970 the seconds count backward with floor division.
    {"HalfSecondBefore1970", 116444735995000000, true, -1, true},
    {"Negative", -5, false, 0, false},
};

class Validity : public ::testing::TestWithParam<validity_case> {};

TEST_P(Validity, FollowsTheFiletimeRules) {
    const scoped_tz tz("UTC0");
    const validity_case& c = GetParam();
    kq::time t;
    EXPECT_EQ(t.set_filetime(c.filetime), c.valid);
    EXPECT_EQ(t.is_valid, c.valid);
    EXPECT_EQ(t.filetime, c.filetime);
    EXPECT_EQ(t.unix_seconds, c.unix_seconds);
    EXPECT_EQ(t.local_failed, c.local_failed);
}

INSTANTIATE_TEST_SUITE_P(Cases, Validity, ::testing::ValuesIn(validity_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Validity, FiletimeZeroChangesNothingElse) {
    const scoped_tz tz("UTC0");
    kq::time t(uint64{jan15_2024_ft}, kq::tt_filetime);
    ASSERT_TRUE(t.is_valid);
    EXPECT_FALSE(t.set_filetime(0));
    EXPECT_FALSE(t.is_valid);
    EXPECT_EQ(t.filetime, jan15_2024_ft);
    EXPECT_EQ(t.utc.year, 2024);
    EXPECT_EQ(t.local.tm_mday, 15);
}

TEST(Validity, FormsDescribeTheMoment) {
    const scoped_tz tz("IST-5:30");
    const kq::time t(uint64{jan15_2024_ft}, kq::tt_filetime);
    ASSERT_TRUE(t.is_valid);
    EXPECT_EQ(t.unix_seconds, 1705313107);
    EXPECT_EQ(t.filetime_pair.low, static_cast<uint32>(jan15_2024_ft));
    EXPECT_EQ(t.filetime_pair.high, static_cast<uint32>(jan15_2024_ft >> 32));
    EXPECT_EQ(t.dos.date, 0x582F);   // 2024-01-15
    EXPECT_EQ(t.dos.time, 0x50A4);   // 10:05:08, odd seconds round up
    EXPECT_EQ(t.local.tm_hour, 15);  // 10:05 UTC is 15:35 at +5:30
    EXPECT_EQ(t.local.tm_min, 35);
    EXPECT_EQ(t.utc.millisecond, 123);
    EXPECT_EQ(t.utc.microseconds, 123456);
    EXPECT_EQ(t.utc.nanoseconds, 123456700);
    EXPECT_EQ(t.utc.picoseconds, 123456700000);
    EXPECT_EQ(t.utc.day_of_week, 1);
    // DOS words stay as they were for a moment outside 1980 to 2037.
    kq::time later = t;
    ASSERT_TRUE(later.set_filetime(441796895990000000));
    EXPECT_EQ(later.dos.date, 0x582F);
}

TEST(Validity, YearRangeOfADisplaySpec) {
    time_display_spec spec;
    ASSERT_TRUE(spec.parse("yyyy-mm-dd", "", false));  // 1900 to 2600
    EXPECT_TRUE(kq::time(uint64{94354848000000000}, kq::tt_filetime).in_year_range(spec));
    EXPECT_FALSE(kq::time().in_year_range(spec));
    spec.max_year = 2023;
    EXPECT_FALSE(kq::time(uint64{jan15_2024_ft}, kq::tt_filetime).in_year_range(spec));
    spec.max_year = 2024;
    EXPECT_TRUE(kq::time(uint64{jan15_2024_ft}, kq::tt_filetime).in_year_range(spec));
}

TEST(Validity, RealArrivalTimeBreaksDown) {
    // Notification with Order 1 of the published wpndatabase.db.
    const scoped_tz tz("UTC0");
    const kq::time t(uint64{132521874959025799}, kq::tt_filetime);
    EXPECT_EQ(utc_text(t), "2020-12-11 19:11:35.902");
    EXPECT_EQ(t.nanoseconds(), 902579900);
    EXPECT_EQ(t.milliseconds(false), 902u);
    EXPECT_EQ(t.microseconds(false), 902579);
}

// ---------------------------------------------------------------- calendar forms

struct dos_case {
    const char* name;
    uint16 date;
    uint16 time;
    const char* expected;
};

const dos_case dos_cases[] = {
    {"Epoch", 0x0021, 0, "1980-01-01 00:00:00.000"},
    {"Jan15", 0x582F, 0x50A3, "2024-01-15 10:05:06.000"},
    {"DayZero", 0x0020, 0, "invalid"},
    {"Month13", (13 << 5) | 1, 0, "invalid"},
    {"TwoSecondCount30", 0x0021, 30, "invalid"},
    {"Minute60", 0x0021, 60 << 5, "invalid"},
    {"Hour24", 0x0021, 0xC000, "invalid"},
};

class DosWords : public ::testing::TestWithParam<dos_case> {};

TEST_P(DosWords, ReadAsCalendarFields) {
    const scoped_tz tz("UTC0");
    const uint16 words[2] = {GetParam().date, GetParam().time};
    EXPECT_EQ(utc_text(kq::time(words, true)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DosWords, ::testing::ValuesIn(dos_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(CalendarForms, LocalFieldsAreTheUtcMomentWhateverTheSeason) {
    // A zone with daylight saving: the fields mean the same moment in winter and in summer,
    // whatever season the test runs in.
    const scoped_tz tz("CET-1CEST,M3.5.0,M10.5.0/3");
    for (const int month : {0, 6}) {
        std::tm fields{};
        fields.tm_year = 124;
        fields.tm_mon = month;
        fields.tm_mday = 15;
        fields.tm_hour = 10;
        fields.tm_min = 5;
        fields.tm_sec = 7;
        const kq::time as_utc(&fields, true);
        const kq::time as_local(&fields, false);
        ASSERT_TRUE(as_utc.is_valid);
        EXPECT_TRUE(as_local.is_valid);
        EXPECT_EQ(as_local.filetime, as_utc.filetime) << "month " << month;
    }
    std::tm epoch{};
    epoch.tm_year = 70;
    epoch.tm_mday = 1;
    kq::time t;
    EXPECT_FALSE(t.set_tm(epoch, 0, false));  // Unix second 0 is no time
    EXPECT_FALSE(kq::time(static_cast<const std::tm*>(nullptr), true).is_valid);
}

TEST(CalendarForms, SystemtimePairAndUnixWords) {
    const scoped_tz tz("UTC0");
    kq::_windows_systemtime st;
    st.year = 2024;
    st.month = 1;
    st.day = 15;
    st.hour = 10;
    st.minute = 5;
    st.second = 7;
    st.millisecond = 123;
    EXPECT_EQ(kq::time(st).filetime, 133497867071230000);
    const kq::filetime_pair pair(static_cast<uint32>(jan15_2024_ft),
                                 static_cast<uint32>(jan15_2024_ft >> 32));
    EXPECT_EQ(kq::time(pair).filetime, jan15_2024_ft);
    EXPECT_FALSE(kq::time(kq::filetime_pair(0, 0x80000000)).is_valid);
    EXPECT_EQ(utc_text(kq::time(uint32{1700000000})), "2023-11-14 22:13:20.000");
    EXPECT_FALSE(kq::time(uint32{0}).is_valid);
    const uint32 timeval[2] = {1700000000, 250000};
    EXPECT_EQ(utc_text(kq::time(timeval, kq::tt_unix)), "2023-11-14 22:13:20.250");
    EXPECT_FALSE(kq::time(timeval, kq::tt_filetime).is_valid);
    const uint32 negative[2] = {0x80000000, 0};
    const kq::time before(negative, kq::tt_unix);
    EXPECT_FALSE(before.is_valid);
    EXPECT_EQ(before.unix_seconds, 0);
}

TEST(CalendarForms, CounterReadings) {
    const scoped_tz tz("UTC0");
    const uint64 base = 133497867070000000;  // 10:05:07
    const kq::time qpc(base, 1000, 1000 + 5 * 10000000ULL, 10000000, kq::tt_qpc);
    EXPECT_EQ(utc_text(qpc), "2024-01-15 10:05:12.000");
    const kq::time per_us(base, 0, 5000000ULL * 3, 3, kq::tt_counter_us);
    EXPECT_EQ(utc_text(per_us), "2024-01-15 10:05:12.000");
    EXPECT_FALSE(kq::time(base, 0, 1000, 0, kq::tt_qpc).is_valid);   // no rate
    EXPECT_FALSE(kq::time(base, 0, ~0ULL, 1, kq::tt_qpc).is_valid);  // beyond the range
}

// ---------------------------------------------------------------- guessing

TEST(Guess, FromDoubleTriesKindsInBitOrder) {
    const scoped_tz tz("UTC0");
    kq::time t;
    uint32 kind = 0;
    ASSERT_TRUE(t.guess_from_double(kind, 2030, 2010, 727009077.5, 0x40008));
    EXPECT_EQ(kind, 0x40000u);
    EXPECT_EQ(utc_text(t), "2024-01-15 10:57:57.500");
    ASSERT_TRUE(t.guess_from_double(kind, 2030, 2010, 1705316277.0, 0x40008));
    EXPECT_EQ(kind, 8u);
    EXPECT_FALSE(t.guess_from_double(kind, 2030, 2010, 5.0, 0x40008));
    EXPECT_EQ(kind, 0x40000u);
    EXPECT_FALSE(t.is_valid);
    kind = 77;
    EXPECT_FALSE(t.guess_from_double(kind, 2030, 2010, 727009077.5, 0));
    EXPECT_EQ(kind, 77u);
    EXPECT_FALSE(t.guess_from_double(kind, 2030, 2010, std::nan(""), 0x40118));
}

TEST(Guess, FromIntegerKeepsTheFirstFittingKind) {
    const scoped_tz tz("UTC0");
    kq::time t;
    uint32 kind = 0;
    ASSERT_TRUE(t.guess_from_integer(kind, 2030, 2010, jan15_2024_ft, 0xFFFFFFFF));
    EXPECT_EQ(kind, 1u);
    ASSERT_TRUE(t.guess_from_integer(kind, 2030, 2010, 1705313107, 0x10 | 0x8));
    EXPECT_EQ(kind, 8u);
    EXPECT_FALSE(t.guess_from_integer(kind, 2030, 2010, 1705313107, 0x10));
    EXPECT_EQ(kind, 0x10u);
}

// ---------------------------------------------------------------- field specs

TEST(FieldSpec, FlagsChooseTheKind) {
    const scoped_tz tz("UTC0");
    namespace ff = output_field_flags;
    output_field_spec spec;
    spec.m_flags = ff::time_filetime;
    EXPECT_FALSE(kq::time(uint64{jan15_2024_ft}, spec, false).is_valid);  // not interpreted
    spec.m_valid = true;
    EXPECT_EQ(kq::time(uint64{jan15_2024_ft}, spec, false).filetime, jan15_2024_ft);
    spec.m_flags = ff::time_filetime_alt | ff::time_unix;
    EXPECT_EQ(kq::time(uint64{jan15_2024_ft}, spec, false).filetime, jan15_2024_ft);
    spec.m_flags = ff::time_systemtime | ff::time_unix;
    const kq::time systemtime(uint64{1705313107}, spec, false);
    EXPECT_FALSE(systemtime.is_valid);
    EXPECT_EQ(systemtime.filetime, 0);
    spec.m_flags = ff::time_safari;
    EXPECT_EQ(utc_text(kq::time(std::bit_cast<uint64>(727009077.5), spec, true)),
              "2024-01-15 10:57:57.500");
    EXPECT_EQ(utc_text(kq::time(uint64{727009077}, spec, false)), "2024-01-15 10:57:57.000");
    spec.m_flags = ff::time_hfs_plus;
    EXPECT_EQ(utc_text(kq::time(uint64{3788157907}, spec, false)), "2024-01-15 10:05:07.000");
    spec.m_flags = ff::time_unix;
    EXPECT_EQ(utc_text(kq::time(uint64{1705313107}, spec, false)), "2024-01-15 10:05:07.000");
    spec.m_flags = ff::time_chrome;
    EXPECT_EQ(kq::field_value_to_filetime(13349786707123456, spec, false), 133497867071234560);
    spec.m_flags = ff::time_firefox3;
    EXPECT_EQ(kq::field_value_to_filetime(1705313107123456, spec, false), 133497867071234560);
    spec.m_flags = 1ULL << 56;
    EXPECT_EQ(kq::field_value_to_filetime(1705313107, spec, false), 0);
}

// ---------------------------------------------------------------- arithmetic

TEST(Arithmetic, ActsOnlyOnValidMomentsAndRevalidates) {
    const scoped_tz tz("UTC0");
    kq::time invalid;
    invalid.add_days(5).add_seconds(3);
    EXPECT_EQ(invalid.filetime, 0);
    kq::time t(uint64{94354848000000000}, kq::tt_filetime);  // 1900-01-01
    ASSERT_TRUE(t.is_valid);
    t.add_days(-1);
    EXPECT_FALSE(t.is_valid);
    EXPECT_EQ(t.utc.year, 1899);
    t.add_days(2);  // stays: only valid moments move
    EXPECT_EQ(t.utc.year, 1899);

    kq::time moment(uint64{jan15_2024_ft}, kq::tt_filetime);
    moment.add_30_days(1).add_weeks(-1).add_hours(2).add_minutes(3).subtract_days(23);
    EXPECT_EQ(utc_text(moment), "2024-01-15 12:08:07.123");
    moment.add_milliseconds(877).add_microseconds(-1);
    EXPECT_EQ(moment.filetime,
              jan15_2024_ft + int64{2} * 36000000000 + int64{3} * 600000000 + 8769990);
    kq::time far(uint64{jan15_2024_ft}, kq::tt_filetime);
    far.add_30_days(std::numeric_limits<int32>::max());  // beyond the FILETIME range
    EXPECT_FALSE(far.is_valid);
    EXPECT_EQ(far.filetime, jan15_2024_ft);

    kq::time a(uint64{jan15_2024_ft}, kq::tt_filetime);
    const kq::time second(uint64{10000000}, kq::tt_filetime);
    a += second;
    EXPECT_EQ(a.filetime, jan15_2024_ft + 10000000);
    a -= second;
    EXPECT_EQ(a.filetime, jan15_2024_ft);
    EXPECT_TRUE(second < a);
    EXPECT_TRUE(second <= a);
    EXPECT_TRUE(a > second);
    EXPECT_TRUE(a >= second);
    EXPECT_TRUE(a != second);
    EXPECT_FALSE(a == second);
}

TEST(Arithmetic, RoundingHasNoCarry) {
    kq::time t;
    t.utc.millisecond = 1;
    t.utc.microseconds = 1499;
    EXPECT_EQ(t.milliseconds(true), 1u);
    EXPECT_EQ(t.milliseconds(false), 1u);
    t.utc.microseconds = 1500;
    EXPECT_EQ(t.milliseconds(true), 2u);
    t.utc.microseconds = 999;
    t.utc.nanoseconds = 999500;
    EXPECT_EQ(t.microseconds(true), 1000);
    EXPECT_EQ(t.microseconds(false), 999);
}

TEST(Records, Record16TakesAValidFiletime) {
    const scoped_tz tz("UTC0");
    std::array<uint8, 16> record{7, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF};
    for (std::size_t i = 0; i < 8; ++i) {
        record.at(8 + i) = static_cast<uint8>(static_cast<uint64>(jan15_2024_ft) >> (8 * i));
    }
    uint64 ft = 0;
    int32 first = 0;
    int32 second = 0;
    ASSERT_TRUE(kq::record16_to_filetime(ft, first, second, record));
    EXPECT_EQ(ft, static_cast<uint64>(jan15_2024_ft));
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, -2);
    record.fill(0);
    record.at(0) = 9;
    EXPECT_FALSE(kq::record16_to_filetime(ft, first, second, record));
    EXPECT_EQ(ft, 0u);
    EXPECT_EQ(first, 0);
}

}  // namespace
