#include "cmdline/timeline_collector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "time/type_time.h"

namespace {

// 2020-12-11 19:11:35.9025799 UTC and one minute later.
constexpr uint64 arrival = 132521874959025799ULL;
constexpr uint64 expiry = 132521875559025799ULL;

timeline_event make_event(uint64 filetime, const char* marks, const char* description,
                          const char* source) {
    return {filetime, marks,   description, source,         nullptr,
            nullptr,  nullptr, nullptr,     kq::tt_filetime};
}

std::vector<std::string> line_marks(const timeline_collector& collector) {
    std::vector<std::string> marks;
    for (const auto& [key, line] : collector.m_events) {
        marks.push_back(line.marks);
    }
    return marks;
}

TEST(TimelineCollectorMerge, SameTimeAndSourceShareOneLine) {
    timeline_collector collector;
    timeline_event expires = make_event(arrival, "C", "ExpiryTime", "VELK_DB");
    timeline_event arrives = make_event(arrival, "B", "ArrivalTime", "VELK_DB");
    ASSERT_TRUE(collector.merge_event(expires));
    ASSERT_TRUE(collector.merge_event(arrives));
    ASSERT_EQ(collector.m_events.size(), 1U);
    const timeline_event& line = collector.m_events.begin()->second;
    EXPECT_EQ(line.marks, "..CB");
    EXPECT_EQ(line.letter_descriptions,
              (std::vector<std::string>{"", "", "ExpiryTime", "ArrivalTime"}));
    EXPECT_TRUE(line.description.empty());
}

TEST(TimelineCollectorMerge, OtherSourceOrTimeStartsALineInOrder) {
    timeline_collector collector;
    timeline_event later = make_event(expiry, "C", "ExpiryTime", "VELK_DB");
    timeline_event first = make_event(arrival, "B", "ArrivalTime", "VELK_DB");
    timeline_event other = make_event(arrival, "M", "Written", "OTHER");
    ASSERT_TRUE(collector.merge_event(later));
    ASSERT_TRUE(collector.merge_event(first));
    ASSERT_TRUE(collector.merge_event(other));
    EXPECT_EQ(line_marks(collector), (std::vector<std::string>{"...B", "M...", "..C."}));
    auto it = collector.m_events.begin();
    EXPECT_EQ(it->second.source, "VELK_DB");
    EXPECT_EQ(std::next(it)->second.source, "OTHER");
}

TEST(TimelineCollectorMerge, LowerCaseLetterIsStoredUpperCase) {
    timeline_collector collector;
    timeline_event event = make_event(arrival, "m", "Modified", "SRC");
    ASSERT_TRUE(collector.merge_event(event));
    EXPECT_EQ(collector.m_events.begin()->second.marks, "M...");
}

TEST(TimelineCollectorMerge, RepeatedTextsAreNotRepeated) {
    timeline_collector collector;
    timeline_event event(arrival, "B", "ArrivalTime", "SRC", "file.db", "alice", nullptr, "slack",
                         kq::tt_filetime);
    timeline_event again = event;
    ASSERT_TRUE(collector.merge_event(event));
    ASSERT_TRUE(collector.merge_event(again));
    timeline_event other(arrival, "B", "Arrived", "SRC", "file.db-wal", "", nullptr, "",
                         kq::tt_filetime);
    ASSERT_TRUE(collector.merge_event(other));
    ASSERT_EQ(collector.m_events.size(), 1U);
    const timeline_event& line = collector.m_events.begin()->second;
    EXPECT_EQ(line.letter_descriptions[3], "ArrivalTime; Arrived");
    EXPECT_EQ(line.filename, "file.db; file.db-wal");
    EXPECT_EQ(line.user, "alice");
    EXPECT_EQ(line.extra, "slack");
}

struct refused_case {
    const char* name;
    uint64 key;
    const char* marks;
    const char* source;
};

const refused_case refused_cases[] = {
    {"LetterX", arrival, "X", "SRC"},
    {"EmptySource", arrival, "B", ""},
    {"EmptyMarks", arrival, "", "SRC"},
    {"KeyZero", 0, "B", "SRC"},
};

class TimelineCollectorRefuses : public ::testing::TestWithParam<refused_case> {};

TEST_P(TimelineCollectorRefuses, StoreUnchanged) {
    const refused_case& c = GetParam();
    timeline_collector collector;
    timeline_event kept = make_event(arrival, "B", "ArrivalTime", "SRC");
    ASSERT_TRUE(collector.merge_event(kept));
    timeline_event event;
    event.key = c.key;
    event.valid = true;
    event.marks = c.marks;
    event.source = c.source;
    event.description = "refused";
    EXPECT_FALSE(collector.merge_event(event));
    ASSERT_EQ(collector.m_events.size(), 1U);
    EXPECT_EQ(collector.m_events.begin()->second.marks, "...B");
    EXPECT_EQ(collector.m_events.begin()->second.letter_descriptions[3], "ArrivalTime");
}

INSTANTIATE_TEST_SUITE_P(Cases, TimelineCollectorRefuses, ::testing::ValuesIn(refused_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// An event built by hand without the valid flag is judged by its key: a key that is a
// moment makes a line that the writer will show; one that is not is refused.
TEST(TimelineCollectorMerge, UnmarkedEventIsJudgedByItsKey) {
    timeline_collector collector;
    timeline_event good;
    good.key = arrival;
    good.marks.assign(1, 'B');  // not = "B": GCC 12 -Wrestrict false alarm
    good.source = "SRC";
    ASSERT_TRUE(collector.merge_event(good));
    const timeline_event& line = collector.m_events.begin()->second;
    EXPECT_TRUE(line.valid);
    EXPECT_EQ(line.time.filetime, static_cast<int64>(arrival));

    timeline_event bad;
    bad.key = ~0ULL;  // far beyond any representable year
    bad.marks = "B";
    bad.source = "SRC";
    EXPECT_FALSE(collector.merge_event(bad));
    EXPECT_EQ(collector.m_events.size(), 1U);
}

}  // namespace
