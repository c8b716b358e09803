#include "time/macb_times.h"

#include <gtest/gtest.h>

namespace {

struct set_unix_case {
    const char* name;
    kq::type_time type;
    int64 value;
    int64 unix_seconds;
};

class MacbSetUnix : public ::testing::TestWithParam<set_unix_case> {};

// Each value goes through the C place; the other places hold 0, which stays 0.
TEST_P(MacbSetUnix, ConvertsToUnixSeconds) {
    const set_unix_case& c = GetParam();
    macb_times times;
    times.set_times(7, 7, 7, 7, kq::tt_chrome);
    times.set_unix(0, 0, c.value, 0, c.type);
    EXPECT_EQ(times.changed, c.unix_seconds);
    EXPECT_EQ(times.modified, 0);
    EXPECT_EQ(times.accessed, 0);
    EXPECT_EQ(times.created, 0);
    EXPECT_EQ(times.time_type, kq::tt_unix);
}

const set_unix_case set_unix_cases[] = {
    {"FiletimeEpoch", kq::tt_filetime, 116444736000000000, 0},
    {"FiletimeOneSecond", kq::tt_filetime, 116444736010000000, 1},
    {"Filetime2024", kq::tt_filetime, 133500000000000000, 1705526400},
    // 1900-01-01: a negative Unix time, never a wrapped unsigned one.
    {"Filetime1900", kq::tt_filetime, 94354848000000000, -2208988800},
    {"FiletimeNegative", kq::tt_filetime, -5, 0},
    {"ChromeOneSecond", kq::tt_chrome, 11644473601000000, 1},
    {"ChromeNegative", kq::tt_chrome, -1, 0},
    {"FirefoxBefore1970", kq::tt_firefox3, -2000000, -2},
    {"SafariOneSecond", kq::tt_safari, 1, 978307201},
    {"SafariNegative", kq::tt_safari, -1, 0},
    {"UnixCopied", kq::tt_unix, -42, -42},
};

INSTANTIATE_TEST_SUITE_P(Cases, MacbSetUnix, ::testing::ValuesIn(set_unix_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MacbTimes, OtherKindsLeaveEverythingAsItWas) {
    macb_times times;
    times.set_times(1, 2, 3, 4, kq::tt_chrome);
    times.set_unix(10, 20, 30, 40, kq::tt_unix_ms);
    EXPECT_EQ(times.modified, 1);
    EXPECT_EQ(times.created, 4);
    EXPECT_EQ(times.time_type, kq::tt_chrome);
}

TEST(MacbTimes, ResetClearsEverythingAndLabelsAreSet) {
    macb_times times;
    times.set_default_labels();
    EXPECT_EQ(times.modified_label, "Last Modified");
    EXPECT_EQ(times.accessed_label, "Last Access");
    EXPECT_EQ(times.changed_label, "Metadata Changed");
    EXPECT_EQ(times.created_label, "Created");
    times.set_labels("m", "a", "c", "b");
    EXPECT_EQ(times.changed_label, "c");
    times.set_times(1, 2, 3, 4, kq::tt_unix);
    times.tag = 9;
    times.label_prefix = "file";
    times.add_extra_time(5, "x", "", "");
    times.reset();
    EXPECT_EQ(times.modified, 0);
    EXPECT_EQ(times.created, 0);
    EXPECT_EQ(times.modified_label, "");
    EXPECT_EQ(times.label_prefix, "");
    EXPECT_EQ(times.time_type, kq::tt_filetime);
    EXPECT_EQ(times.tag, 0U);
    EXPECT_TRUE(times.extra_times.empty());
    EXPECT_TRUE(times.extra_used.empty());
}

TEST(MacbTimes, EqualExtraTimesMergeTheirTexts) {
    macb_times times;
    times.add_extra_time(100, "first", "src", "");
    times.add_extra_time(200, "other", "", "f");
    times.add_extra_time(100, "second", "src", "name");
    times.add_extra_time(100, "", "sr", "");  // already contained: nothing added
    ASSERT_EQ(times.extra_times, (std::vector<uint64>{100, 200}));
    EXPECT_EQ(times.extra_labels[0], "first; second");
    EXPECT_EQ(times.extra_sources[0], "src");
    EXPECT_EQ(times.extra_filenames[0], "; name");  // an empty text still gets the "; "
    EXPECT_EQ(times.extra_labels[1], "other");
    EXPECT_EQ(times.extra_used, (std::vector<uint8>{0, 0}));
}

}  // namespace
