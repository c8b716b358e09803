// MACB records turned into timeline events, and the event record itself.
#include "time/macb_events.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr uint64 unix_epoch_filetime = 116444736000000000ULL;

uint64 filetime_of_unix(int64 seconds) {
    return unix_epoch_filetime + static_cast<uint64>(seconds) * 10000000ULL;
}

// (key, marks, description) of every event, in map order.
std::vector<std::tuple<uint64, std::string, std::string>> summary(
    const std::multimap<uint64, timeline_event>& events) {
    std::vector<std::tuple<uint64, std::string, std::string>> out;
    for (const auto& [key, event] : events) {
        out.emplace_back(key, event.marks, event.description);
    }
    return out;
}

TEST(BuildMacbEvents, PrefixModeBracketsTheMarks) {
    macb_times record;
    record.label_prefix = "file";
    record.tag = 7;
    record.set_times(100, 100, 100, 200, kq::tt_unix);
    std::multimap<uint64, timeline_event> events;
    kq::build_macb_events(events, record, kq::tt_unix);
    using row = std::tuple<uint64, std::string, std::string>;
    EXPECT_EQ(summary(events),
              (std::vector<row>{{100, "MAC.", "file [MAC.]"}, {200, "...B", "file [...B]"}}));
    for (const auto& [key, event] : events) {
        EXPECT_TRUE(event.valid);
        EXPECT_EQ(event.key_type, kq::tt_unix);
        EXPECT_EQ(event.tag, 7U);
        EXPECT_EQ(event.time.unix_seconds, static_cast<int64>(key));
    }
}

TEST(BuildMacbEvents, LabelsJoinWithSemicolons) {
    macb_times record;
    record.set_default_labels();
    record.set_times(100, 100, 100, 200, kq::tt_unix);
    std::multimap<uint64, timeline_event> events;
    kq::build_macb_events(events, record, kq::tt_unix);
    using row = std::tuple<uint64, std::string, std::string>;
    EXPECT_EQ(summary(events),
              (std::vector<row>{{100, "MAC.", "Last Modified; Last Access; Metadata Changed"},
                                {200, "...B", "Created"}}));

    record.set_times(100, 100, 100, 100, kq::tt_unix);
    events.clear();
    kq::build_macb_events(events, record, kq::tt_unix);
    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events.begin()->second.marks, "MACB");

    record.set_times(0, 0, 0, 0, kq::tt_unix);
    events.clear();
    kq::build_macb_events(events, record, kq::tt_unix);
    EXPECT_TRUE(events.empty());
}

TEST(BuildMacbEvents, EventsTakeOnlyTimesNotTakenBefore) {
    macb_times record;
    record.label_prefix.assign(1, 'f');  // not = "f": GCC 12 -Wrestrict false alarm
    // A event takes B; C stands alone.
    record.set_times(100, 200, 300, 200, kq::tt_unix);
    std::multimap<uint64, timeline_event> events;
    kq::build_macb_events(events, record, kq::tt_unix);
    using row = std::tuple<uint64, std::string, std::string>;
    EXPECT_EQ(summary(events), (std::vector<row>{{100, "M...", "f [M...]"},
                                                 {200, ".A.B", "f [.A.B]"},
                                                 {300, "..C.", "f [..C.]"}}));
}

TEST(BuildMacbEvents, ExtraTimesMergeOrStandAlone) {
    macb_times record;
    record.set_default_labels();
    record.set_times(100, 150, 300, 400, kq::tt_unix);
    record.add_extra_time(filetime_of_unix(300), "Extra", "src", "name");
    record.add_extra_time(filetime_of_unix(500), "Lone", "s2", "n2");
    std::multimap<uint64, timeline_event> events;
    kq::build_macb_events(events, record, kq::tt_unix);
    using row = std::tuple<uint64, std::string, std::string>;
    EXPECT_EQ(summary(events), (std::vector<row>{{100, "M...", "Last Modified"},
                                                 {150, ".A..", "Last Access"},
                                                 {300, "..C.", "Metadata Changed; Extra"},
                                                 {400, "...B", "Created"},
                                                 {filetime_of_unix(500), "..C.", "Lone"}}));
    const auto merged = events.find(300);
    EXPECT_EQ(merged->second.source, "src");
    EXPECT_EQ(merged->second.filename, "name");
    const auto lone = events.find(filetime_of_unix(500));
    EXPECT_EQ(lone->second.key_type, kq::tt_filetime);  // its key is a FILETIME
    EXPECT_EQ(lone->second.time.unix_seconds, 500);
    EXPECT_EQ(lone->second.source, "s2");
    EXPECT_EQ(record.extra_used, (std::vector<uint8>{1, 1}));

    // A second build over the same record finds the extra times taken.
    events.clear();
    kq::build_macb_events(events, record, kq::tt_unix);
    EXPECT_EQ(events.size(), 4U);
    EXPECT_EQ(events.find(300)->second.description, "Metadata Changed");
}

TEST(BuildMacbEvents, ExtraTimesMarkTheCPlaceOfMAndBEvents) {
    macb_times record;
    record.label_prefix = "p";
    record.set_times(100, 0, 0, 400, kq::tt_unix);
    record.add_extra_time(filetime_of_unix(100), "OnM", "", "");
    record.add_extra_time(filetime_of_unix(400), "", "", "");
    std::multimap<uint64, timeline_event> events;
    kq::build_macb_events(events, record, kq::tt_unix);
    using row = std::tuple<uint64, std::string, std::string>;
    EXPECT_EQ(summary(events),
              (std::vector<row>{{100, "M.C.", "p [M.OnM.]"}, {400, "..CB", "p [..CB]"}}));
}

TEST(BuildMacbEvents, FiletimeRecordsCompareByMoment) {
    macb_times record;
    record.set_default_labels();
    const auto t = static_cast<int64>(filetime_of_unix(1000));
    record.set_times(t, t, 0, 0, kq::tt_filetime);
    std::multimap<uint64, timeline_event> events;
    kq::build_macb_events(events, record, kq::tt_filetime);
    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events.begin()->first, static_cast<uint64>(t));
    EXPECT_EQ(events.begin()->second.marks, "MA..");
}

TEST(TimelineEvent, ValueConstructorNeedsAValidMoment) {
    const timeline_event invalid(0, "B", "d", "s", "f", "u", "n", "e", kq::tt_filetime);
    EXPECT_FALSE(invalid.valid);
    EXPECT_EQ(invalid.marks, "");
    EXPECT_EQ(invalid.description, "");
    EXPECT_EQ(invalid.key, 0U);
    EXPECT_EQ(invalid.key_type, kq::tt_filetime);

    const timeline_event event(1705526400, "C", "Expiry", nullptr, "file", nullptr, "note", nullptr,
                               kq::tt_unix);
    EXPECT_TRUE(event.valid);
    EXPECT_EQ(event.key, 133500000000000000ULL);  // keyed by FILETIME whatever the kind
    EXPECT_EQ(event.key_type, kq::tt_filetime);
    EXPECT_EQ(event.marks, "C");
    EXPECT_EQ(event.description, "Expiry");
    EXPECT_EQ(event.source, "");
    EXPECT_EQ(event.filename, "file");
    EXPECT_EQ(event.note, "note");
    EXPECT_EQ(event.extra, "");

    timeline_event copy = event;
    copy.clear();
    EXPECT_FALSE(copy.valid);
    EXPECT_FALSE(copy.time.is_valid);
    EXPECT_EQ(copy.filename, "");
    EXPECT_EQ(event.filename, "file");  // copies are deep
}

}  // namespace
