#include "time/time_format.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "text/time_display_spec.h"
#include "time/time_test_support.h"

namespace {

using time_test::scoped_env;
using time_test::scoped_tz;

constexpr int64 jan15_2024_ft = 133497867071234567;  // 2024-01-15 10:05:07.1234567 UTC

kq::time jan15() { return {jan15_2024_ft, kq::tt_filetime}; }

time_display_spec compiled(const char* date_template, const char* time_template) {
    time_display_spec spec;
    (void)spec.parse(date_template, time_template, false);
    return spec;
}

// ---------------------------------------------------------------- compiled spec

struct compiled_case {
    const char* name;
    const char* date_template;
    const char* time_template;
    const char* date;
    const char* time;
};

const compiled_case compiled_cases[] = {
    {"MonthDayYear", "mm/dd/yyyy", "hh:mm:ss.xxx", "01/15/2024", "10:05:07.123"},
    {"DayMonthShortYear", "dd/mm/yy", "hh:mm:ss", "15/01/24", "10:05:07"},
    {"MonthName", "yyyy-mmm-dd", "hh:mm:ss.xxxxxx", "2024-Jan-15", "10:05:07.123456"},
    {"CommaIsNotWritten", "mmm dd, yy", "hh:mm:ss.xxxxxxxxx", "Jan 15 24", "10:05:07.123456700"},
    // No separator character in the template: the fields stand side by side.
    {"NoSeparator", "yyyymmdd", "hh:mm:ss", "20240115", "10:05:07"},
    {"NoOrderGivesNoDate", "yyyy/dd/mm", "hh:mm:ss.xxx", "", "10:05:07"},
    {"EmptyDateTemplate", "", "hh:mm:ss.xxx", "", "10:05:07.123"},
};

class CompiledSpec : public ::testing::TestWithParam<compiled_case> {};

TEST_P(CompiledSpec, FormatsDateAndTime) {
    const compiled_case& c = GetParam();
    std::string date = "old";
    std::string time = "old";
    EXPECT_TRUE(
        kq::format_date_time(date, time, jan15(), compiled(c.date_template, c.time_template)));
    EXPECT_EQ(date, c.date);
    EXPECT_EQ(time, c.time);
    EXPECT_EQ(date.find('\0'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompiledSpec, ::testing::ValuesIn(compiled_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Every field of this moment needs its leading zeros.
TEST(CompiledSpec, FieldsKeepTheirLeadingZeros) {
    const kq::time first(int64{127543863670012345},
                         kq::tt_filetime);  // 2005-03-04 05:06:07.0012345
    std::string date;
    std::string time;
    ASSERT_TRUE(kq::format_date_time(date, time, first, compiled("dd/mm/yy", "hh:mm:ss.xxxxxx")));
    EXPECT_EQ(date, "04/03/05");
    EXPECT_EQ(time, "05:06:07.001234");
    ASSERT_TRUE(kq::format_date_time(date, time, first, compiled("yyyy-mm-dd", "hh:mm:ss.xxx")));
    EXPECT_EQ(date, "2005-03-04");
    EXPECT_EQ(time, "05:06:07.001");
}

TEST(CompiledSpec, FractionDigitsAreTruncatedPrefixes) {
    const char* expected[] = {"10:05:07",           "10:05:07.1",       "10:05:07.12",
                              "10:05:07.123",       "10:05:07.1234",    "10:05:07.12345",
                              "10:05:07.123456",    "10:05:07.1234567", "10:05:07.12345670",
                              "10:05:07.123456700", "10:05:07"};
    time_display_spec spec = compiled("yyyy-mm-dd", "");
    std::string date;
    std::string time;
    for (unsigned n = 0; n <= 10; ++n) {
        spec.time_flags = static_cast<uint8>(n << 1);
        ASSERT_TRUE(kq::format_date_time(date, time, jan15(), spec));
        EXPECT_EQ(time, expected[n]) << n << " digits";
    }
}

TEST(CompiledSpec, UnsetSpecFillsDefaultsButReportsFalse) {
    for (const char* zone : {"UTC0", "IST-5:30"}) {
        const scoped_tz tz(zone);
        const kq::time t(int64{133497898775336165}, kq::tt_filetime);
        time_display_spec spec{};
        std::string date;
        std::string time;
        EXPECT_FALSE(kq::format_date_time(date, time, t, spec));
        EXPECT_EQ(date, "2024-01-15");
        EXPECT_EQ(time, "10:57:57.533");
        std::ostringstream out;
        EXPECT_TRUE(kq::print_date_time(out, t, spec));
        EXPECT_EQ(out.str(), "2024-01-15 10:57:57.533") << zone;
        EXPECT_EQ(spec.separator, '-');
        EXPECT_EQ(spec.date_flags, 0x86);
        EXPECT_EQ(spec.fraction_digits(), 3u);
        EXPECT_EQ(spec.time_flags & time_display_spec::pair_flag, time_display_spec::pair_flag);
        EXPECT_EQ(out.fill(), '0');  // the stream keeps the formatter's settings
    }
}

TEST(CompiledSpec, InvalidMomentGivesNothing) {
    std::string date = "old";
    std::string time = "old";
    EXPECT_FALSE(kq::format_date_time(date, time, kq::time(), compiled("yyyy-mm-dd", "hh:mm")));
    EXPECT_TRUE(date.empty());
    EXPECT_TRUE(time.empty());
    std::ostringstream out;
    time_display_spec spec{};
    EXPECT_FALSE(kq::print_date_time(out, kq::time(), spec));
    EXPECT_TRUE(out.str().empty());
    EXPECT_TRUE(spec.is_unset());
}

TEST(CompiledSpec, RealNotificationTimes) {
    // Notification with Order 1 of the published wpndatabase.db: arrival and expiry.
    const time_display_spec spec{};
    std::string date;
    std::string time;
    (void)kq::format_date_time(date, time, kq::time(int64{132521874959025799}, kq::tt_filetime),
                               spec);
    EXPECT_EQ(date + " " + time, "2020-12-11 19:11:35.902");
    (void)kq::format_date_time(date, time, kq::time(int64{132521875559025799}, kq::tt_filetime),
                               spec);
    EXPECT_EQ(date + " " + time, "2020-12-11 19:12:35.902");
}

// ---------------------------------------------------------------- template interpreter

const compiled_case template_cases[] = {
    {"IsoDate", "yyyy-mm-dd", "hh:mm:ss.xxx", "2024-01-15", "10:05:07.123"},
    {"MonthDayYear", "mm/dd/yyyy", "hh:mm:ss", "01/15/2024", "10:05:07"},
    {"DayMonthShortYear", "dd/mm/yy", "hh:mm:ss.xxxxxx", "15/01/24", "10:05:07.123456"},
    {"MonthNameComma", "mmm dd, yyyy", "hh:mm:ss.xxxxxxxxx", "Jan 15, 2024", "10:05:07.123456700"},
    {"YearFirstBlank", "yyyy mmm dd", "hh:mm", "2024 Jan 15", "10:05"},
    {"NoDayFallsBack", "mm-yyyy", "ss", "01/15/2024", ":07"},
    {"CommaShortYear", "mmm dd, yy", "ss.xxx", "Jan 15, 24", ":07.123"},
    {"UpperCaseFallsBack", "YYYY-MM-DD", "", "01/15/2024", ""},
    {"DayBeforeMonthNoComma", "dd mmm, yyyy", "hh:mm:ss.xxxxxxxxxxxx", "15 Jan 2024", "10:05:07"},
    {"FourDigits", "", "hh:mm:ss.xxxx", "", "10:05:07.1234"},
};

class TemplateText : public ::testing::TestWithParam<compiled_case> {};

TEST_P(TemplateText, FormatsDateAndTime) {
    const compiled_case& c = GetParam();
    std::string date;
    std::string time;
    EXPECT_TRUE(kq::format_time_by_template(date, time, jan15(), std::string(c.date_template),
                                            std::string(c.time_template)));
    EXPECT_EQ(date, c.date);
    EXPECT_EQ(time, c.time);
}

INSTANTIATE_TEST_SUITE_P(Cases, TemplateText, ::testing::ValuesIn(template_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TemplateText, OtherForms) {
    std::string date;
    std::string time;
    EXPECT_FALSE(kq::format_time_by_template(date, time, kq::time(), std::string("yyyy-mm-dd"),
                                             std::string("hh:mm")));
    EXPECT_TRUE(date.empty());
    EXPECT_TRUE(kq::format_time_by_template(date, time, jan15(), nullptr, "hh:mm"));
    EXPECT_EQ(date + " " + time, "2024-01-15 10:05:07.123");
    EXPECT_TRUE(kq::format_time_by_template(date, time, jan15(), "dd/mm/yy", "hh:mm"));
    EXPECT_EQ(date + " " + time, "15/01/24 10:05");
    EXPECT_TRUE(
        kq::format_time_by_template_nofrac(date, time, jan15(), "yyyy-mm-dd", "hh:mm:ss.xxx"));
    EXPECT_EQ(time, "10:05:07");
    std::string ns;
    EXPECT_TRUE(kq::format_filetime_ns(ns, jan15_2024_ft));
    EXPECT_EQ(ns, "2024-01-15 10:05:07.123456700");
    EXPECT_FALSE(kq::format_filetime_ns(ns, 0));
    EXPECT_FALSE(kq::format_filetime_ns(ns, 5));  // 1601: invalid
    EXPECT_TRUE(ns.empty());
}

// ---------------------------------------------------------------- fixed forms

kq::time at(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return {&fields, true};
}

TEST(FixedForms, ToStrings) {
    std::string date;
    std::string time;
    kq::time::to_strings(date, time, at(1999, 12, 31, 1, 2, 3), false, true, false, false);
    EXPECT_EQ(date, "99-12-31");
    EXPECT_EQ(time, "01:02:03");
    kq::time::to_strings(date, time, at(2000, 1, 1, 0, 0, 0), false, true, false, false);
    EXPECT_EQ(date, "00-01-01");
    kq::time::to_strings(date, time, at(2105, 6, 7, 0, 0, 0), false, true, false, false);
    EXPECT_EQ(date, "105-06-07");
    kq::time::to_strings(date, time, jan15(), true, false, false, true);
    EXPECT_EQ(date + " " + time, "2024-01-15 10:05:07.123456700");
    kq::time::to_strings(date, time, kq::time(), true, false, false, false);
    EXPECT_TRUE(date.empty());
    EXPECT_TRUE(time.empty());
    kq::format_date_time_sec(date, time, jan15(), false);
    EXPECT_EQ(time, "10:05:07");
    std::wstring wide_date;
    std::wstring wide_time;
    kq::format_date_time_ms(wide_date, wide_time, jan15(), false);
    EXPECT_EQ(wide_date + L" " + wide_time, L"2024-01-15 10:05:07.123");
}

TEST(FixedForms, Printers) {
    const kq::time invalid;
    const kq::time march = at(2021, 3, 4, 5, 6, 7);
    auto text = [](auto print) {
        std::ostringstream out;
        print(out);
        return out.str();
    };
    EXPECT_EQ(text([&](std::ostream& o) { kq::print_time_short(o, invalid); }),
              "00/00/00 00:00:00");
    EXPECT_EQ(text([&](std::ostream& o) { kq::print_time_short(o, march); }), "21-03-04 05:06:07");
    EXPECT_EQ(text([&](std::ostream& o) { kq::print_time_plain(o, march); }),
              "2021-03-04 05:06:07");
    EXPECT_EQ(text([&](std::ostream& o) { o << invalid; }), " ");
    EXPECT_EQ(text([&](std::ostream& o) { o << jan15(); }), "2024-01-15 10:05:07.123");
    EXPECT_EQ(text([&](std::ostream& o) { kq::print_time_short_ms(o, invalid); }),
              "0000-00-00 00:00:00");
    EXPECT_EQ(text([&](std::ostream& o) { kq::print_filetime_short_ms(o, jan15_2024_ft); }),
              "24-01-15 10:05:07.123");
    std::wostringstream wide;
    kq::print_time_short_ms(wide, jan15());
    EXPECT_EQ(wide.str(), L"24-01-15 10:05:07.123");
    std::string appended = "at ";
    kq::append_date_time(appended, jan15());
    EXPECT_EQ(appended, "at 2024-01-15 10:05:07.123");
}

TEST(FixedForms, MonthDayYearPrinterRestoresTheStream) {
    std::ostringstream out;
    out << std::hex;
    out.fill('*');
    kq::print_mdy_time_ms(out, jan15(), false);
    EXPECT_EQ(out.str(), "01/15/2024 : 10:05:07 [ 123 ms ]");
    EXPECT_EQ(out.fill(), '*');
    EXPECT_TRUE((out.flags() & std::ios_base::hex) != 0);
    std::wostringstream wide;
    kq::print_mdy_time_ms(wide, jan15(), true);
    EXPECT_EQ(wide.str(), L"01/15/2024");
    kq::_windows_systemtime st;
    ASSERT_TRUE(kq::filetime_to_systemtime(jan15_2024_ft, st));
    std::string systemtime_text;
    EXPECT_TRUE(kq::format_systemtime_mdy(systemtime_text, st));
    EXPECT_EQ(systemtime_text, "01/15/2024 : 10:05:07.123");
}

TEST(FixedForms, Iso8601) {
    std::string out;
    ASSERT_TRUE(kq::format_iso8601_utc(0, out, 0.0F));
    EXPECT_EQ(out, "1970-01-01T00:00:00Z");
    ASSERT_TRUE(kq::format_iso8601_utc(951782400, out, 0.0F));
    EXPECT_EQ(out, "2000-02-29T00:00:00Z");
    ASSERT_TRUE(kq::format_iso8601_utc(951782400, out, 5.5F));
    EXPECT_EQ(out, "2000-02-29T05:30:00Z");
    ASSERT_TRUE(kq::format_iso8601_utc(253402300799, out, 0.0F));
    EXPECT_EQ(out, "9999-12-31T23:59:59Z");
    // A refused value leaves no earlier result behind.
    EXPECT_FALSE(kq::format_iso8601_utc(-1, out, 0.0F));
    EXPECT_EQ(out, "");
    out = "stale";
    EXPECT_FALSE(kq::format_iso8601_utc(3600, out, -2.0F));
    EXPECT_EQ(out, "");
    out = "stale";
    EXPECT_FALSE(kq::format_iso8601_utc(0, out, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(kq::format_iso8601_utc(std::numeric_limits<int64>::max() - 1, out, 0.0F));
}

TEST(FixedForms, GmtDateNow) {
    std::string out;
    ASSERT_TRUE(kq::format_gmt_date_now(out));
    EXPECT_TRUE(std::regex_match(
        out, std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9][0-9]? "
                        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
                        "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] GMT")))
        << out;
}

TEST(FixedForms, NameTables) {
    EXPECT_EQ(kq::month_names.front(), "Jan");
    EXPECT_EQ(kq::month_names.back(), "Dec");
    EXPECT_EQ(kq::day_names.front(), "Sun");
    EXPECT_EQ(kq::day_names.at(3), "Wed");
}

// ---------------------------------------------------------------- locale

TEST(LocaleDate, FallsThroughToLang) {
    const scoped_env all("LC_ALL", "no_such_locale.XYZ");
    const scoped_env time("LC_TIME", nullptr);
    const scoped_env lang("LANG", "C");
    std::string name;
    EXPECT_TRUE(locale_from_environment(name));
    EXPECT_EQ(name, "C");
}

TEST(LocaleDate, NothingBuildsGivesFalseAndTheFixedForm) {
    const scoped_env all("LC_ALL", "no_such_locale.XYZ");
    const scoped_env time("LC_TIME", "no_such_locale.XYZ");
    const scoped_env lang("LANG", nullptr);
    std::string name = "old";
    EXPECT_FALSE(locale_from_environment(name));
    EXPECT_TRUE(name.empty());
    std::string date;
    std::string time_text;
    kq::time::to_strings(date, time_text, jan15(), false, false, true, false);
    EXPECT_EQ(date, "2024-01-15");
}

TEST(LocaleDate, DefaultLocaleWritesItsOwnDateForm) {
    const scoped_env all("LC_ALL", "C");
    std::string date;
    std::string time_text;
    kq::time::to_strings(date, time_text, jan15(), true, false, true, false);
    EXPECT_EQ(date, "01/15/24");  // the C locale's %x
    EXPECT_EQ(time_text, "10:05:07.123");
}

}  // namespace
