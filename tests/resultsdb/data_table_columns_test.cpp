#include "resultsdb/data_table_columns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct caption_case {
    const char* name;
    const char* caption;
    bool long_names;
    const char* expected;
};

const caption_case caption_cases[] = {
    {"short_kept", "date", false, "date"},
    {"cut_to_eight", "Time Zone", false, "Time_Zon"},
    {"long_kept", "Time Zone", true, "Time_Zone"},
    {"cut_before_brackets_go", "[A] long name", false, "A_long"},
    {"hash_removed_then_trimmed", " #a b ", false, "a_b"},
    {"cut_counts_characters", "Zeitzöne x", false, "Zeitzöne"},
    {"empty", "", false, ""},
};

class PrepareColumnName : public ::testing::TestWithParam<caption_case> {};

TEST_P(PrepareColumnName, MakesOneColumnName) {
    const caption_case& c = GetParam();
    EXPECT_EQ(prepare_column_name(c.caption, c.long_names), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrepareColumnName, ::testing::ValuesIn(caption_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PrepareColumnNames, NumbersOnceAndReusesTheList) {
    metadata_record run;
    run.col_hdrs = "date | time|";
    ASSERT_TRUE(prepare_column_names(run));
    const std::vector<std::string> expected = {"[1-date]", "[2-time]", "[3-]"};
    EXPECT_EQ(run.column_names, expected);
    run.col_hdrs = "other";
    ASSERT_TRUE(prepare_column_names(run));
    EXPECT_EQ(run.column_names, expected);
    metadata_record none;
    none.col_hdrs.clear();
    EXPECT_FALSE(prepare_column_names(none));
}

}  // namespace
