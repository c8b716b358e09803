#include "text/extras/column_widths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using widths = std::vector<uint32>;

TEST(ColumnWidths, LongestCellPerColumn) {
    widths out{99};
    EXPECT_TRUE(column_widths(out, {{"ab", "c"}, {"a", "dddd", "e"}, {}}));
    EXPECT_EQ(out, (widths{2, 4, 1}));
    EXPECT_FALSE(column_widths(out, {{}, {}}));
    EXPECT_TRUE(out.empty());
}

struct add_row_case {
    const char* name;
    widths before;
    std::vector<std::string> row;
    uint32 cap;
    widths after;
};

class ColumnWidthsAddRow : public ::testing::TestWithParam<add_row_case> {};

TEST_P(ColumnWidthsAddRow, WidensUpToTheCap) {
    const add_row_case& c = GetParam();
    widths out = c.before;
    EXPECT_TRUE(column_widths_add_row(out, c.row, c.cap));
    EXPECT_EQ(out, c.after);
}

const add_row_case add_row_cases[] = {
    // A width above the cap drops to it when a longer cell comes.
    {"WideCellLowersToCap", {10}, {std::string(20, 'x')}, 5, {5}},
    {"ShorterCellKeepsWidth", {10}, {"abc"}, 5, {10}},
    {"NewColumnsCapped", {1}, {"a", "abcdefgh", "ab"}, 4, {1, 4, 2}},
    {"WidensWithinCap", {2, 2}, {"abc", "a"}, 10, {3, 2}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ColumnWidthsAddRow, ::testing::ValuesIn(add_row_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ColumnWidthsAddRow, EmptyRowIsRefused) {
    widths out{3};
    EXPECT_FALSE(column_widths_add_row(out, {}, 5));
    EXPECT_EQ(out, widths{3});
}

TEST(AllEmpty, EveryItemEmpty) {
    EXPECT_TRUE(all_empty({}));
    EXPECT_TRUE(all_empty({"", ""}));
    EXPECT_FALSE(all_empty({"", "a"}));
}

}  // namespace
