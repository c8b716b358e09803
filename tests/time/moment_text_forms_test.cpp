#include "time/moment_text_forms.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>
#include <sstream>
#include <string>

#include "text/time_display_spec.h"
#include "time/kq_time.h"

namespace {

// 2024-01-15 10:57:57.5336165 UTC and 2021-03-04 05:06:07.089 UTC.
constexpr int64 jan_2024 = 133497898775336165;
constexpr uint64 mar_2021 = 132593079670890000;
constexpr int64 unix_jan_2024 = 1705316277;  // 2024-01-15 10:57:57 UTC

// ---- stamps, ISO date and hexadecimal ----

struct stamp_case {
    const char* name;
    uint64 filetime;
    bool hours_minutes;
    bool seconds;
    bool milliseconds;
    const char* expected;
};

const stamp_case stamp_cases[] = {
    {"zero_is_all_zeros", 0, true, true, true, "0000_00_00_0000_00_000"},
    {"all_parts", mar_2021, true, true, true, "2021_03_04_0506_07_089"},
    {"hours_minutes_only", mar_2021, true, false, false, "2021_03_04_0506"},
    {"date_only", mar_2021, false, false, false, "2021_03_04"},
    {"seconds_without_minutes", mar_2021, false, true, false, "2021_03_04_07"},
    // .5336165 s: the millisecond is truncated, not rounded to 534.
    {"millisecond_truncated", static_cast<uint64>(jan_2024), false, false, true, "2024_01_15_533"},
    {"beyond_int64_is_zeros", std::numeric_limits<uint64>::max(), true, true, true,
     "0000_00_00_0000_00_000"},
    {"int64_max_is_last_moment", static_cast<uint64>(std::numeric_limits<int64>::max()), true, true,
     true, "30828_09_14_0248_05_477"},
};

class FiletimeStamp : public ::testing::TestWithParam<stamp_case> {};

TEST_P(FiletimeStamp, WritesFixedWidthFields) {
    const stamp_case& c = GetParam();
    std::ostringstream out;
    out << std::hex << std::left;
    out.fill('*');
    kq::print_filetime_stamp(out, c.filetime, c.hours_minutes, c.seconds, c.milliseconds);
    EXPECT_EQ(out.str(), c.expected);
    // The stamp leaves its own format on the stream.
    EXPECT_EQ(out.fill(), '0');
    EXPECT_EQ(out.flags() & std::ios::basefield, std::ios::dec);
    EXPECT_EQ(out.flags() & std::ios::adjustfield, std::ios::right);
}

INSTANTIATE_TEST_SUITE_P(Cases, FiletimeStamp, ::testing::ValuesIn(stamp_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FiletimeStampForms, AllFlagAndWideFormWriteTheSameCharacters) {
    std::ostringstream all;
    kq::print_filetime_stamp(all, mar_2021, true);
    EXPECT_EQ(all.str(), "2021_03_04_0506_07_089");
    std::ostringstream none;
    kq::print_filetime_stamp(none, mar_2021, false);
    EXPECT_EQ(none.str(), "2021_03_04");
    std::wostringstream wide;
    kq::print_filetime_stamp(wide, mar_2021, true);
    EXPECT_EQ(wide.str(), L"2021_03_04_0506_07_089");
}

TEST(PrintDateIso, WritesDateAndRestoresStream) {
    std::ostringstream out;
    out << std::hex << std::showbase;
    out.fill('#');
    const std::ios::fmtflags before = out.flags();
    kq::print_date_iso(out, kq::time(static_cast<int64>(mar_2021), kq::tt_filetime));
    out << 255;
    EXPECT_EQ(out.str(), "2021-03-040xff");
    EXPECT_EQ(out.fill(), '#');
    EXPECT_EQ(out.flags(), before);

    std::ostringstream invalid;
    kq::print_date_iso(invalid, kq::time(int64{0}, kq::tt_filetime));
    EXPECT_EQ(invalid.str(), "0000-00-00");
}

TEST(Hex64, FormatsBothWordsZeroFilled) {
    const std::pair<uint64, const char*> cases[] = {
        {1, "0x0000000000000001"},
        {static_cast<uint64>(jan_2024), "0x01da47a1b2c3d4e5"},
        {0, "0x0000000000000000"},
        {std::numeric_limits<uint64>::max(), "0xffffffffffffffff"},
        {0x0000000100000000ULL, "0x0000000100000000"},
    };
    for (const auto& [value, expected] : cases) {
        std::string text = "old";
        EXPECT_EQ(kq::format_hex64(text, value), expected);
        EXPECT_EQ(text, expected);

        std::ostringstream out;
        out << std::uppercase << std::oct;
        out.fill('x');
        const std::ios::fmtflags before = out.flags();
        kq::print_hex64(out, value) << 8;
        EXPECT_EQ(out.str(), std::string(expected) + "10");
        EXPECT_EQ(out.flags(), before);
        EXPECT_EQ(out.fill(), 'x');
    }
}

// ---- string-returning wrappers ----

struct spec_text_case {
    const char* name;
    const char* text_template;
    const char* date;
    const char* time;
};

const spec_text_case spec_text_cases[] = {
    {"date_and_time", "yyyy-mm-dd hh:mm:ss", "2024-01-15", "10:57:57"},
    {"slash_date_alone", "mm/dd/yyyy", "01/15/2024", ""},
    {"colon_time_alone", "hh:mm:ss.xxx", "", "10:57:57.533"},
    {"dash_date_falls_back", "yyyy-mm", "01/15/2024", ""},
    {"neither_date_nor_time", "yyyymmdd", "", ""},
    {"split_at_first_blank", "dd/mm/yy hh:mm", "15/01/24", "10:57"},
    {"empty_is_fixed_forms", "", "2024-01-15", "10:57:57.533"},
};

class FormatTimeBySpecText : public ::testing::TestWithParam<spec_text_case> {};

TEST_P(FormatTimeBySpecText, SplitsTemplateIntoDateAndTime) {
    const spec_text_case& c = GetParam();
    std::string date = "stale";
    std::string clock = "stale";
    EXPECT_TRUE(kq::format_time_by_spec_text(date, clock, kq::time(jan_2024, kq::tt_filetime),
                                             c.text_template, true, false, false, false));
    EXPECT_EQ(date, c.date);
    EXPECT_EQ(clock, c.time);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatTimeBySpecText, ::testing::ValuesIn(spec_text_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FormatTimeBySpecTextInvalid, IsFalseForEveryTemplate) {
    const kq::time invalid(int64{0}, kq::tt_filetime);
    for (const char* text_template : {"", "yyyy-mm-dd hh:mm:ss", "mm/dd/yyyy", "hh:mm"}) {
        std::string date;
        std::string clock;
        EXPECT_FALSE(kq::format_time_by_spec_text(date, clock, invalid, text_template, true, false,
                                                  false, false))
            << text_template;
    }
}

TEST(FiletimeToText, UnsetSpecGivesDefaultsAndStaysUnset) {
    const time_display_spec unset{};
    EXPECT_EQ(kq::filetime_to_text(jan_2024, unset), "2024-01-15 10:57:57.533");
    EXPECT_TRUE(unset.is_unset());

    time_display_spec compiled;
    ASSERT_TRUE(compiled.parse("dd/mm/yyyy", "hh:mm:ss", false));
    EXPECT_EQ(kq::filetime_to_text(jan_2024, compiled), "15/01/2024 10:57:57");

    for (const int64 bad : {int64{0}, int64{-1}, std::numeric_limits<int64>::max(),
                            std::numeric_limits<int64>::min()}) {
        EXPECT_EQ(kq::filetime_to_text(bad, unset), "") << bad;
        EXPECT_EQ(kq::filetime_to_text_by_template(bad, "dd/mm/yy", "hh:mm"), "") << bad;
    }
    EXPECT_EQ(kq::filetime_to_text_by_template(jan_2024, "dd/mm/yy", "hh:mm"), "15/01/24 10:57");
}

TEST(FormatFiletime, EmptiesOutputsAndTakesNullSpecAsUnset) {
    std::string date = "stale";
    std::string clock = "stale";
    EXPECT_FALSE(kq::format_filetime(date, clock, 0, nullptr));
    EXPECT_EQ(date, "");
    EXPECT_EQ(clock, "");

    const time_display_spec unset{};
    std::string unset_date;
    std::string unset_clock;
    const bool unset_result = kq::format_filetime(unset_date, unset_clock, jan_2024, &unset);
    EXPECT_EQ(kq::format_filetime(date, clock, jan_2024, nullptr), unset_result);
    EXPECT_EQ(date, unset_date);
    EXPECT_EQ(clock, unset_clock);
    EXPECT_EQ(date, "2024-01-15");

    time_display_spec compiled;
    ASSERT_TRUE(compiled.parse("mm/dd/yyyy", "hh:mm:ss", false));
    EXPECT_TRUE(kq::format_filetime(date, clock, jan_2024, &compiled));
    EXPECT_EQ(date, "01/15/2024");
    EXPECT_EQ(clock, "10:57:57");
}

// ---- mail-style date ----

struct rfc_case {
    const char* name;
    int64 unix_seconds;
    int32 bias;
    const char* expected;
};

const rfc_case rfc_cases[] = {
    {"utc", unix_jan_2024, 0, "Mon, 15 Jan 2024 10:57:57 +0000"},
    {"india", unix_jan_2024, -330, "Mon, 15 Jan 2024 16:27:57 +0530"},
    {"one_hour_west", unix_jan_2024, 60, "Mon, 15 Jan 2024 09:57:57 -0100"},
    // A half-hour bias west is "-0030", not "+0030".
    {"half_hour_west", unix_jan_2024, 30, "Mon, 15 Jan 2024 10:27:57 -0030"},
    // 23:30 UTC is already the next day one hour east.
    {"crosses_midnight", 1705361400, -60, "Tue, 16 Jan 2024 00:30:00 +0100"},
    {"day_below_ten", 1704103200, 0, "Mon, 01 Jan 2024 10:00:00 +0000"},
    {"epoch_second", 1, 0, "Thu, 01 Jan 1970 00:00:01 +0000"},
};

class FormatRfcDate : public ::testing::TestWithParam<rfc_case> {};

TEST_P(FormatRfcDate, NamesTheSameMomentInTheZone) {
    const rfc_case& c = GetParam();
    std::string out;
    ASSERT_TRUE(kq::format_rfc_date(out, c.unix_seconds, c.bias));
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatRfcDate, ::testing::ValuesIn(rfc_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FormatRfcDateEdges, ZeroIsNowAndUnbrokenMomentsFail) {
    // t = 0 names the current time: the text of "now" lies between the texts of the seconds
    // read just before and just after.
    const auto before = static_cast<int64>(std::time(nullptr));
    std::string now;
    ASSERT_TRUE(kq::format_rfc_date(now, 0, -120));
    const auto after = static_cast<int64>(std::time(nullptr));
    std::string first;
    std::string last;
    ASSERT_TRUE(kq::format_rfc_date(first, before, -120));
    ASSERT_TRUE(kq::format_rfc_date(last, after, -120));
    EXPECT_TRUE(now == first || now == last) << now;

    std::string out = "kept";
    EXPECT_FALSE(kq::format_rfc_date(out, -5, 0));
    EXPECT_FALSE(kq::format_rfc_date(out, 10, 60));  // the wall clock lies before 1970
    EXPECT_FALSE(kq::format_rfc_date(out, std::numeric_limits<int64>::max(), -60));
    EXPECT_FALSE(kq::format_rfc_date(out, std::numeric_limits<int64>::min(), 60));
    EXPECT_FALSE(kq::format_rfc_date(out, std::numeric_limits<int64>::max(),
                                     std::numeric_limits<int32>::min()));
    EXPECT_EQ(out, "kept");
}

// ---- DOS date-time field lines ----

TEST(DumpDosTimeField, WritesValueAndMomentNote) {
    std::ostringstream out;
    EXPECT_EQ(kq::dump_dos_time_field(out, "mtime", 0x28C35264U, 0x20, 8), 4);
    EXPECT_EQ(out.str(), "00000020 : mtime   : 28c35264 [2021-03-04 05:06:06.000]\n");

    std::ostringstream through_context;
    const output_context on{true, &through_context};
    EXPECT_EQ(kq::dump_dos_time_field(on, "mtime", 0x28C35264U, 0x20, 8), 4);
    EXPECT_EQ(through_context.str(), out.str());

    std::ostringstream off_stream;
    const output_context off{false, &off_stream};
    EXPECT_EQ(kq::dump_dos_time_field(off, "mtime", 0x28C35264U, 0x20, 8), 0);
    EXPECT_EQ(off_stream.str(), "");
    EXPECT_EQ(kq::dump_dos_time_field(output_context{true, nullptr}, "mtime", 1, 0, 8), 0);
}

TEST(DumpDosTimeField, NoMomentGivesBlankNote) {
    // Day 0 and month 0: no moment.
    std::ostringstream out;
    EXPECT_EQ(kq::dump_dos_time_field(out, "atime", 0, 0, 6), 4);
    EXPECT_EQ(out.str(), "00000000 : atime : 00000000 [ ]\n");
}

}  // namespace
