#include "cmdline/mft_timeline.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// 2020-12-11 19:11:35.902 UTC and one minute later.
constexpr uint64 t1 = 132521874959025799ULL;
constexpr uint64 t2 = 132521875559025799ULL;

using names = std::set<std::string>;

TEST(MftTimeline, TimesOfOneMomentShareAnEntryAndSourcesMerge) {
    mft_timeline timeline;
    timeline_add_macb_times(timeline, 2, t1, t2, t1, 0, L"a.txt", false);
    ASSERT_EQ(timeline.size(), 2U);
    const macb_flags& first = timeline.at(t1);
    EXPECT_EQ(first.m_fn, "m.c.");
    EXPECT_EQ(first.m_si, "....");
    EXPECT_EQ(first.m_fn83, "....");
    EXPECT_TRUE(first.m_fn_touched);
    EXPECT_FALSE(first.m_si_touched || first.m_fn83_touched);
    EXPECT_EQ(first.m_long_names, names{"a.txt"});
    EXPECT_EQ(timeline.at(t2).m_fn, ".a..");
    EXPECT_EQ(timeline.at(t2).m_long_names, names{"a.txt"});

    timeline_add_macb_times(timeline, 3, t1, 0, 0, 0, L"A~1.TXT", true);
    ASSERT_EQ(timeline.size(), 2U);
    EXPECT_EQ(first.m_fn83, "m...");
    EXPECT_EQ(first.m_fn, "m.c.");
    EXPECT_TRUE(first.m_short_names.count("A~1.TXT") == 1);
    EXPECT_EQ(first.m_long_names, (names{"", "a.txt"}));
    EXPECT_EQ(timeline.at(t2).m_short_names, names{});  // untouched by the short name
}

TEST(MftTimeline, EqualTimesOfOneSourceAccumulate) {
    mft_timeline timeline;
    timeline_add_macb_times(timeline, 1, t1, t1, t1, t1, nullptr, false);
    ASSERT_EQ(timeline.size(), 1U);
    EXPECT_EQ(timeline.at(t1).m_si, "macb");
    // Without a name every merge adds the empty text to both sets, which gives no line.
    EXPECT_EQ(timeline.at(t1).m_long_names, names{""});
    EXPECT_EQ(timeline.at(t1).m_short_names, names{""});
}

TEST(MftTimeline, ZeroTimesAddNothingUnknownSourceStillAddsItsMoment) {
    mft_timeline timeline;
    timeline_add_macb_times(timeline, 1, 0, 0, 0, 0, L"a.txt", false);
    EXPECT_TRUE(timeline.empty());

    timeline_add_macb_times(timeline, 4, t1, 0, 0, 0, L"a.txt", false);
    ASSERT_EQ(timeline.size(), 1U);
    const macb_flags& entry = timeline.at(t1);
    EXPECT_EQ(entry.m_si + entry.m_fn + entry.m_fn83, "............");
    EXPECT_FALSE(entry.m_si_touched || entry.m_fn_touched || entry.m_fn83_touched);
    EXPECT_EQ(entry.m_long_names, names{"a.txt"});
}

TEST(MftTimeline, NamesThatDoNotEncodeWholeKeepWhatEncodes) {
    mft_timeline timeline;
    const wchar_t lone_surrogate[] = {L'a', static_cast<wchar_t>(0xD800), L'b', 0};
    const wchar_t beyond_unicode[] = {L'x', static_cast<wchar_t>(0x110000), L'y', 0};
    timeline_add_macb_times(timeline, 1, t1, 0, 0, 0, lone_surrogate, false);
    timeline_add_macb_times(timeline, 1, t2, 0, 0, 0, beyond_unicode, true);
    EXPECT_EQ(timeline.at(t1).m_long_names, names{"a\xED\xA0\x80"
                                                  "b"});
    EXPECT_EQ(timeline.at(t2).m_short_names, names{"x"});
}

}  // namespace
